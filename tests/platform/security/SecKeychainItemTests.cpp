// Items: adding, finding, reading and deleting, on unlocked and locked keychains.
#include "KeychainTestSupport.h"

#include <cstring>

namespace keychaintest {
namespace {

using SecKeychainItemTest = KeychainTest;

// A secure note as the clip keychain stores one: service, description and type.
OSStatus AddNote(SecKeychainRef keychain, const std::string& name, const std::string& content,
                 SecKeychainItemRef* item = nullptr)
{
    static const char kDescription[] = "secure note";
    FourCharCode type = 'note';
    SecKeychainAttribute attributes[] = {
        {kSecServiceItemAttr, static_cast<UInt32>(name.size()), const_cast<char*>(name.data())},
        {kSecDescriptionItemAttr, 11, const_cast<char*>(kDescription)},
        {kSecTypeItemAttr, 4, &type}};
    SecKeychainAttributeList list{3, attributes};
    return SecKeychainItemCreateFromContent(kSecGenericPasswordItemClass, &list, static_cast<UInt32>(content.size()),
                                            content.data(), keychain, nullptr, item);
}

std::vector<std::string> ServicesFound(SecKeychainRef keychain, SecItemClass itemClass,
                                       const SecKeychainAttributeList* list)
{
    std::vector<std::string> services;
    SecKeychainSearchRef search = nullptr;
    if (SecKeychainSearchCreateFromAttributes(keychain, itemClass, list, &search) != noErr) {
        return {"<search failed>"};
    }
    SearchOwner owner = SearchOwner::Adopt(search);
    SecKeychainItemRef found = nullptr;
    while (SecKeychainSearchCopyNext(search, &found) == noErr) {
        ItemOwner item = ItemOwner::Adopt(found);
        SecKeychainAttribute attribute{kSecServiceItemAttr, 0, nullptr};
        SecKeychainAttributeList wanted{1, &attribute};
        if (SecKeychainItemCopyContent(found, nullptr, &wanted, nullptr, nullptr) == noErr) {
            services.emplace_back(static_cast<const char*>(attribute.data), attribute.length);
            SecKeychainItemFreeContent(&wanted, nullptr);
        }
    }
    return services;
}

TEST_F(SecKeychainItemTest, AddedItemsAreFoundInCreationOrderAndRead)
{
    KeychainOwner keychain = Create("pw");
    ASSERT_EQ(AddNote(keychain.Get(), "Beta", "second note"), noErr);
    ASSERT_EQ(AddNote(keychain.Get(), "Alpha", "abc"), noErr);
    ASSERT_EQ(AddGenericPassword(keychain.Get(), "Gamma", "me", "password"), noErr);

    EXPECT_EQ(ServicesFound(keychain.Get(), kSecGenericPasswordItemClass, nullptr),
              (std::vector<std::string>{"Beta", "Alpha", "Gamma"}));
    static const char kDescription[] = "secure note";
    SecKeychainAttribute description{kSecDescriptionItemAttr, 11, const_cast<char*>(kDescription)};
    SecKeychainAttributeList notes{1, &description};
    EXPECT_EQ(ServicesFound(keychain.Get(), kSecGenericPasswordItemClass, &notes),
              (std::vector<std::string>{"Beta", "Alpha"}));
    EXPECT_TRUE(ServicesFound(keychain.Get(), kSecInternetPasswordItemClass, nullptr).empty());

    ItemOwner alpha = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "Alpha"));
    ASSERT_TRUE(alpha);
    SecItemClass itemClass = 0;
    UInt32 length = 99;
    void* data = nullptr;
    SecKeychainAttribute asked[] = {{kSecTypeItemAttr, 0, nullptr}, {kSecAccountItemAttr, 7, nullptr}};
    SecKeychainAttributeList askedList{2, asked};
    ASSERT_EQ(SecKeychainItemCopyContent(alpha.Get(), &itemClass, &askedList, &length, &data), noErr);
    EXPECT_EQ(itemClass, kSecGenericPasswordItemClass);
    ASSERT_EQ(length, 3u);
    EXPECT_EQ(std::memcmp(data, "abc", 3), 0);
    ASSERT_EQ(asked[0].length, 4u);
    FourCharCode type = 0;
    std::memcpy(&type, asked[0].data, 4);
    EXPECT_EQ(type, FourCharCode('note'));
    EXPECT_EQ(asked[1].length, 0u);  // no account
    EXPECT_EQ(asked[1].data, nullptr);
    SecKeychainItemFreeContent(&askedList, data);

    UInt32 tags[] = {kSecServiceItemAttr, kSecDescriptionItemAttr};
    SecKeychainAttributeInfo info{2, tags, nullptr};
    SecKeychainAttributeList* list = nullptr;
    ASSERT_EQ(SecKeychainItemCopyAttributesAndData(alpha.Get(), &info, nullptr, &list, &length, &data), noErr);
    ASSERT_EQ(list->count, 2u);
    EXPECT_EQ(std::string(static_cast<char*>(list->attr[0].data), list->attr[0].length), "Alpha");
    EXPECT_EQ(std::string(static_cast<char*>(list->attr[1].data), list->attr[1].length), "secure note");
    EXPECT_EQ(std::string(static_cast<char*>(data), length), "abc");
    SecKeychainItemFreeAttributesAndData(list, data);

    // As the clip keychain reads a note: no attributes, no class.
    ASSERT_EQ(SecKeychainItemCopyAttributesAndData(alpha.Get(), nullptr, nullptr, nullptr, &length, &data), noErr);
    EXPECT_EQ(std::string(static_cast<char*>(data), length), "abc");
    SecKeychainItemFreeAttributesAndData(nullptr, data);
}

TEST_F(SecKeychainItemTest, EmptyDataIsAnItemWithNoBytes)
{
    KeychainOwner keychain = Create("pw");
    SecKeychainItemRef created = nullptr;
    ASSERT_EQ(AddNote(keychain.Get(), "Empty", "", &created), noErr);
    ItemOwner item = ItemOwner::Adopt(created);
    UInt32 length = 7;
    void* data = nullptr;
    ASSERT_EQ(SecKeychainItemCopyAttributesAndData(item.Get(), nullptr, nullptr, nullptr, &length, &data), noErr);
    EXPECT_EQ(length, 0u);
    EXPECT_NE(data, nullptr);
    SecKeychainItemFreeAttributesAndData(nullptr, data);
}

TEST_F(SecKeychainItemTest, DuplicatesByAccountAndServiceAndBadArgumentsAreRefused)
{
    KeychainOwner keychain = Create("pw");
    ASSERT_EQ(AddNote(keychain.Get(), "Same", "one"), noErr);
    std::string before = testsupport::ReadFile(Path());
    EXPECT_EQ(AddNote(keychain.Get(), "Same", "two"), errSecDuplicateItem);
    EXPECT_EQ(testsupport::ReadFile(Path()), before);
    // Another account or service is another item.
    EXPECT_EQ(AddGenericPassword(keychain.Get(), "Same", "someone", "three"), noErr);
    EXPECT_EQ(AddNote(keychain.Get(), "Other", "four"), noErr);
    // Other classes have no such rule here.
    SecKeychainAttribute label{kSecLabelItemAttr, 1, const_cast<char*>("x")};
    SecKeychainAttributeList list{1, &label};
    EXPECT_EQ(SecKeychainItemCreateFromContent('abcd', &list, 1, "1", keychain.Get(), nullptr, nullptr), noErr);
    EXPECT_EQ(SecKeychainItemCreateFromContent('abcd', &list, 1, "2", keychain.Get(), nullptr, nullptr), noErr);

    // Bad arguments are refused.
    SecKeychainAttributeList noAttributes{1, nullptr};
    EXPECT_EQ(SecKeychainItemCreateFromContent('genp', &noAttributes, 0, nullptr, keychain.Get(), nullptr, nullptr),
              errSecParam);
    EXPECT_EQ(SecKeychainItemCreateFromContent('genp', nullptr, 4, nullptr, keychain.Get(), nullptr, nullptr),
              errSecParam);
    SecKeychainAttribute twice[] = {{kSecServiceItemAttr, 1, const_cast<char*>("a")},
                                    {kSecServiceItemAttr, 1, const_cast<char*>("b")}};
    SecKeychainAttributeList twiceList{2, twice};
    EXPECT_EQ(SecKeychainItemCreateFromContent('genp', &twiceList, 0, nullptr, keychain.Get(), nullptr, nullptr),
              errSecParam);
    EXPECT_EQ(SecKeychainItemCreateFromContent('genp', nullptr, 0, nullptr, nullptr, nullptr, nullptr),
              errSecNoDefaultKeychain);
    std::string huge(70000, 'x');
    SecKeychainAttribute big{kSecServiceItemAttr, static_cast<UInt32>(huge.size()), huge.data()};
    SecKeychainAttributeList bigList{1, &big};
    EXPECT_EQ(SecKeychainItemCreateFromContent('genp', &bigList, 0, nullptr, keychain.Get(), nullptr, nullptr),
              errSecDataTooLarge);
    EXPECT_EQ(SecKeychainItemDelete(nullptr), errSecInvalidItemRef);
    EXPECT_EQ(SecKeychainSearchCopyNext(nullptr, nullptr), errSecInvalidSearchRef);
}

TEST_F(SecKeychainItemTest, DeletedItemsAreGone)
{
    KeychainOwner keychain = Create("pw");
    SecKeychainItemRef created = nullptr;
    ASSERT_EQ(AddNote(keychain.Get(), "Doomed", "bye", &created), noErr);
    ItemOwner doomed = ItemOwner::Adopt(created);
    ASSERT_EQ(AddNote(keychain.Get(), "Kept", "stay"), noErr);

    EXPECT_EQ(SecKeychainItemDelete(doomed.Get()), noErr);
    EXPECT_EQ(SecKeychainItemDelete(doomed.Get()), errSecInvalidItemRef);
    EXPECT_EQ(DataOf(doomed.Get()), "<" + std::to_string(errSecInvalidItemRef) + ">");
    EXPECT_EQ(FindGenericPassword(keychain.Get(), "Doomed"), nullptr);
    EXPECT_EQ(ServicesFound(keychain.Get(), kSecGenericPasswordItemClass, nullptr), std::vector<std::string>{"Kept"});
    // The name is free again.
    EXPECT_EQ(AddNote(keychain.Get(), "Doomed", "back"), noErr);
    ItemOwner back = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "Doomed"));
    EXPECT_EQ(DataOf(back.Get()), "back");
}

TEST_F(SecKeychainItemTest, ItemCallsOnALockedKeychainAskToUnlockFirst)
{
    KeychainOwner keychain = Create("pw");
    ASSERT_EQ(AddNote(keychain.Get(), "Note", "hidden"), noErr);
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);

    mPasswords.Add("nope");
    mPasswords.Add("pw");
    ItemOwner item = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "Note"));
    ASSERT_TRUE(item);
    EXPECT_EQ(mPasswords.requests.size(), 2u);
    EXPECT_EQ(DataOf(item.Get()), "hidden");
    EXPECT_EQ(mPasswords.requests.size(), 2u);

    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    mPasswords.AddStatus(userCanceledErr);
    EXPECT_EQ(DataOf(item.Get()), "<" + std::to_string(userCanceledErr) + ">");
    EXPECT_EQ(AddNote(keychain.Get(), "More", "x"), userCanceledErr);
    SecKeychainSearchRef search = nullptr;
    EXPECT_EQ(SecKeychainSearchCreateFromAttributes(keychain.Get(), kSecGenericPasswordItemClass, nullptr, &search),
              userCanceledErr);
    ScriptedPasswords::Remove();
    EXPECT_EQ(SecKeychainItemDelete(item.Get()), errSecInteractionNotAllowed);
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, 0u);
}

TEST_F(SecKeychainItemTest, SearchesSpanAnArrayOfKeychains)
{
    KeychainOwner first = Create("one", "First.keychain");
    KeychainOwner second = Create("two", "Second.keychain");
    ASSERT_EQ(AddNote(second.Get(), "B", "2"), noErr);
    ASSERT_EQ(AddNote(first.Get(), "A", "1"), noErr);
    const void* both[] = {first.Get(), second.Get()};
    platform::CFOwner<CFArrayRef> array =
        platform::AdoptCF(CFArrayCreate(nullptr, both, 2, &kCFTypeArrayCallBacks));
    SecKeychainSearchRef search = nullptr;
    ASSERT_EQ(SecKeychainSearchCreateFromAttributes(array.Get(), kSecGenericPasswordItemClass, nullptr, &search), noErr);
    SearchOwner owner = SearchOwner::Adopt(search);
    std::vector<std::string> data;
    for (SecKeychainItemRef item = nullptr; SecKeychainSearchCopyNext(search, &item) == noErr; item = nullptr) {
        data.push_back(DataOf(item));
        CFRelease(item);
    }
    EXPECT_EQ(data, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(SecKeychainSearchCreateFromAttributes(nullptr, kSecGenericPasswordItemClass, nullptr, &search),
              errSecNoDefaultKeychain);
    const void* notKeychains[] = {first.Get(), kCFBooleanTrue};
    platform::CFOwner<CFArrayRef> mixed =
        platform::AdoptCF(CFArrayCreate(nullptr, notKeychains, 2, &kCFTypeArrayCallBacks));
    EXPECT_EQ(SecKeychainSearchCreateFromAttributes(mixed.Get(), kSecGenericPasswordItemClass, nullptr, &search),
              errSecParam);
}

}  // namespace
}  // namespace keychaintest
