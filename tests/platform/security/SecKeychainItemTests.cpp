// Items: duplicates and bad arguments refused, locked keychains, searches over several keychains.
#include "KeychainTestSupport.h"

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
    // Another class of item finds none of them.
    ASSERT_EQ(SecKeychainSearchCreateFromAttributes(array.Get(), kSecInternetPasswordItemClass, nullptr, &search),
              noErr);
    SearchOwner otherClass = SearchOwner::Adopt(search);
    SecKeychainItemRef none = nullptr;
    EXPECT_EQ(SecKeychainSearchCopyNext(search, &none), errSecItemNotFound);
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
