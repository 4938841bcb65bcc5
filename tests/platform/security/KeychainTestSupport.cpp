#include "KeychainTestSupport.h"

#include "security/KeychainFile.h"
#include "security/SleepClock.h"
#include "security/UnlockedKeyStore.h"

#include <PlatformHost.h>

#include <keyutils.h>
#include <sys/stat.h>

#include <filesystem>

namespace keychaintest {

std::string DescriptionOf(const std::string& path)
{
    return platform::security::KeyDescriptionOfFile(path);
}

bool KernelKeyringHolds(const std::string& description)
{
    return keyctl_search(KEY_SPEC_USER_KEYRING, "user", description.c_str(), 0) >= 0;
}

void KeychainTest::SetUp()
{
    mLiveObjects = PlatformLiveObjectCount();
    // Cheap derivation keeps the suite fast; the cost is stored per file, so these files read the
    // same way as production ones.
    PlatformSetKeychainCreationCostForTesting(1, 8192);
    mPasswords.Install();
}

void KeychainTest::TearDown()
{
    ScriptedPasswords::Remove();
    PlatformSetKeychainCreationCostForTesting(0, 0);
    platform::security::SetSleepClockForTesting({});
    // Every key this process put anywhere, and any key for a file of this test's folder (a forked
    // child's), is removed, and the keyring is checked to hold none of them any more.
    std::vector<std::string> descriptions = platform::security::TakeDescriptionsStoredForTesting();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(mDir.path(), ignored)) {
        std::string description = DescriptionOf(entry.path().string());
        if (!description.empty()) {
            descriptions.push_back(description);
        }
    }
    for (const std::string& description : descriptions) {
        platform::security::RemoveUnlockedKey(description);
        for (long key; (key = keyctl_search(KEY_SPEC_USER_KEYRING, "user", description.c_str(), 0)) >= 0;) {
            keyctl_invalidate(static_cast<key_serial_t>(key));
        }
        EXPECT_FALSE(KernelKeyringHolds(description)) << description;
    }
    PlatformUseProcessKeyStoreForTesting(false);
    EXPECT_EQ(PlatformLiveObjectCount(), mLiveObjects);
}

KeychainOwner KeychainTest::Create(const std::string& password, const std::string& name)
{
    SecKeychainRef keychain = nullptr;
    OSStatus status = SecKeychainCreate(Path(name).c_str(), static_cast<UInt32>(password.size()), password.data(),
                                        false, nullptr, &keychain);
    EXPECT_EQ(status, noErr);
    return KeychainOwner::Adopt(keychain);
}

KeychainOwner KeychainTest::Open(const std::string& name)
{
    SecKeychainRef keychain = nullptr;
    EXPECT_EQ(SecKeychainOpen(Path(name).c_str(), &keychain), noErr);
    return KeychainOwner::Adopt(keychain);
}

SecKeychainStatus KeychainTest::Status(SecKeychainRef keychain)
{
    SecKeychainStatus status = 0;
    EXPECT_EQ(SecKeychainGetStatus(keychain, &status), noErr);
    return status;
}

OSStatus AddGenericPassword(SecKeychainRef keychain, const std::string& service, const std::string& account,
                            const std::string& data, SecKeychainItemRef* item)
{
    std::vector<SecKeychainAttribute> attributes;
    attributes.push_back({kSecServiceItemAttr, static_cast<UInt32>(service.size()), const_cast<char*>(service.data())});
    if (!account.empty()) {
        attributes.push_back(
            {kSecAccountItemAttr, static_cast<UInt32>(account.size()), const_cast<char*>(account.data())});
    }
    SecKeychainAttributeList list{static_cast<UInt32>(attributes.size()), attributes.data()};
    return SecKeychainItemCreateFromContent(kSecGenericPasswordItemClass, &list, static_cast<UInt32>(data.size()),
                                            data.data(), keychain, nullptr, item);
}

std::string DataOf(SecKeychainItemRef item)
{
    UInt32 length = 0;
    void* data = nullptr;
    OSStatus status = SecKeychainItemCopyContent(item, nullptr, nullptr, &length, &data);
    if (status != noErr) {
        return "<" + std::to_string(status) + ">";
    }
    std::string text(static_cast<const char*>(data), length);
    SecKeychainItemFreeContent(nullptr, data);
    return text;
}

SecKeychainItemRef FindGenericPassword(SecKeychainRef keychain, const std::string& service)
{
    SecKeychainAttribute attribute{kSecServiceItemAttr, static_cast<UInt32>(service.size()),
                                   const_cast<char*>(service.data())};
    SecKeychainAttributeList list{1, &attribute};
    SecKeychainSearchRef search = nullptr;
    if (SecKeychainSearchCreateFromAttributes(keychain, kSecGenericPasswordItemClass, &list, &search) != noErr) {
        return nullptr;
    }
    SearchOwner owner = SearchOwner::Adopt(search);
    SecKeychainItemRef item = nullptr;
    if (SecKeychainSearchCopyNext(search, &item) != noErr) {
        return nullptr;
    }
    return item;
}

}  // namespace keychaintest
