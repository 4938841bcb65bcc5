// Access objects: a new one's entries, and what it refuses.
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

}  // namespace
}  // namespace keychaintest
