// Access objects: their entries, changed through ACL objects, and stored with items.
#include "KeychainTestSupport.h"

namespace keychaintest {
namespace {

using platform::AdoptCF;
using platform::CFOwner;

using SecAccessTest = KeychainTest;

CFOwner<CFStringRef> Text(const char* text)
{
    return AdoptCF(CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8));
}

std::string UTF8(CFStringRef string)
{
    char buffer[256] = {};
    CFStringGetCString(string, buffer, sizeof buffer, kCFStringEncodingUTF8);
    return buffer;
}

TEST_F(SecAccessTest, NewAccessHasOneDecryptEntryWithTheTrustedApplications)
{
    CFOwner<CFArrayRef> trusted = AdoptCF(CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks));
    SecAccessRef created = nullptr;
    ASSERT_EQ(SecAccessCreate(Text("My Note").Get(), trusted.Get(), &created), noErr);
    AccessOwner access = AccessOwner::Adopt(created);

    CFArrayRef decrypt = nullptr;
    ASSERT_EQ(SecAccessCopySelectedACLList(access.Get(), CSSM_ACL_AUTHORIZATION_DECRYPT, &decrypt), noErr);
    CFOwner<CFArrayRef> decryptOwner = AdoptCF(decrypt);
    ASSERT_EQ(CFArrayGetCount(decrypt), 1);
    auto acl = static_cast<SecACLRef>(const_cast<void*>(CFArrayGetValueAtIndex(decrypt, 0)));
    EXPECT_EQ(CFGetTypeID(acl), SecACLGetTypeID());

    CFArrayRef applications = nullptr;
    CFStringRef description = nullptr;
    CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR selector{};
    ASSERT_EQ(SecACLCopySimpleContents(acl, &applications, &description, &selector), noErr);
    CFOwner<CFArrayRef> applicationsOwner = AdoptCF(applications);
    CFOwner<CFStringRef> descriptionOwner = AdoptCF(description);
    ASSERT_NE(applications, nullptr);
    EXPECT_EQ(CFArrayGetCount(applications), 0);
    EXPECT_EQ(UTF8(description), "My Note");
    EXPECT_EQ(selector.version, CSSM_ACL_KEYCHAIN_PROMPT_CURRENT_VERSION);

    CFArrayRef none = nullptr;
    ASSERT_EQ(SecAccessCopySelectedACLList(access.Get(), 9, &none), noErr);
    EXPECT_EQ(CFArrayGetCount(none), 0);
    CFRelease(none);

    const void* notApps[] = {kCFBooleanTrue};
    CFOwner<CFArrayRef> wrong = AdoptCF(CFArrayCreate(nullptr, notApps, 1, &kCFTypeArrayCallBacks));
    SecAccessRef refused = nullptr;
    EXPECT_EQ(SecAccessCreate(Text("x").Get(), wrong.Get(), &refused), errSecParam);
    EXPECT_EQ(SecAccessCreate(nullptr, nullptr, &refused), errSecParam);
}

// The access of a secure note, as the clip keychain builds it, is stored with the item and read back.
TEST_F(SecAccessTest, RewrittenEntriesAreStoredWithTheItem)
{
    KeychainOwner keychain = Create("pw");
    CFOwner<CFArrayRef> empty = AdoptCF(CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks));
    SecAccessRef created = nullptr;
    ASSERT_EQ(SecAccessCreate(Text("Clip").Get(), empty.Get(), &created), noErr);
    AccessOwner access = AccessOwner::Adopt(created);
    CFArrayRef selected = nullptr;
    ASSERT_EQ(SecAccessCopySelectedACLList(access.Get(), CSSM_ACL_AUTHORIZATION_DECRYPT, &selected), noErr);
    CFOwner<CFArrayRef> selectedOwner = AdoptCF(selected);
    ASSERT_EQ(CFArrayGetCount(selected), 1);
    CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR selector{0x0101, 0};
    auto acl = static_cast<SecACLRef>(const_cast<void*>(CFArrayGetValueAtIndex(selected, 0)));
    ASSERT_EQ(SecACLSetSimpleContents(acl, nullptr, Text("Clip described").Get(), &selector), noErr);

    std::string name = "Clip";
    SecKeychainAttribute service{kSecServiceItemAttr, 4, name.data()};
    SecKeychainAttributeList list{1, &service};
    SecKeychainItemRef created_item = nullptr;
    ASSERT_EQ(SecKeychainItemCreateFromContent(kSecGenericPasswordItemClass, &list, 3, "abc", keychain.Get(),
                                               access.Get(), &created_item),
              noErr);
    ItemOwner item = ItemOwner::Adopt(created_item);

    SecAccessRef stored = nullptr;
    ASSERT_EQ(SecKeychainItemCopyAccess(item.Get(), &stored), noErr);
    AccessOwner storedOwner = AccessOwner::Adopt(stored);
    CFArrayRef entries = nullptr;
    ASSERT_EQ(SecAccessCopySelectedACLList(stored, CSSM_ACL_AUTHORIZATION_DECRYPT, &entries), noErr);
    CFOwner<CFArrayRef> entriesOwner = AdoptCF(entries);
    ASSERT_EQ(CFArrayGetCount(entries), 1);
    CFArrayRef applications = reinterpret_cast<CFArrayRef>(1);
    CFStringRef description = nullptr;
    CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR read{};
    ASSERT_EQ(SecACLCopySimpleContents(static_cast<SecACLRef>(const_cast<void*>(CFArrayGetValueAtIndex(entries, 0))),
                                       &applications, &description, &read),
              noErr);
    CFOwner<CFStringRef> descriptionOwner = AdoptCF(description);
    EXPECT_EQ(applications, nullptr);  // any application
    EXPECT_EQ(UTF8(description), "Clip described");
    EXPECT_EQ(read.version, 0x0101);
    EXPECT_EQ(read.flags, 0);

    // An item made without an access object gets one named after its service.
    std::string other = "Other";
    SecKeychainAttribute otherService{kSecServiceItemAttr, 5, other.data()};
    SecKeychainAttributeList otherList{1, &otherService};
    SecKeychainItemRef plain = nullptr;
    ASSERT_EQ(SecKeychainItemCreateFromContent(kSecGenericPasswordItemClass, &otherList, 1, "x", keychain.Get(),
                                               nullptr, &plain),
              noErr);
    ItemOwner plainOwner = ItemOwner::Adopt(plain);
    SecAccessRef defaultAccess = nullptr;
    ASSERT_EQ(SecKeychainItemCopyAccess(plain, &defaultAccess), noErr);
    AccessOwner defaultOwner = AccessOwner::Adopt(defaultAccess);
    CFStringRef describedAs = CFCopyDescription(defaultAccess);
    EXPECT_NE(UTF8(describedAs).find("Other"), std::string::npos);
    CFRelease(describedAs);
}

}  // namespace
}  // namespace keychaintest
