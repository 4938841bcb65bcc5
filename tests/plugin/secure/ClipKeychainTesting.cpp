#include "ClipKeychainTesting.h"

#include "security/KeychainFile.h"
#include "security/UnlockedKeyStore.h"

#include <sys/stat.h>
#include <unistd.h>

namespace keychaintest {

void ClipKeychainTest::SetUp()
{
    // Cheap derivation keeps the tests fast; the cost is kept in each file, which reads the same
    // way as one made at the full cost.
    PlatformSetKeychainCreationCostForTesting(1, 8192);
    mPasswords.Install();
}

void ClipKeychainTest::TearDown()
{
    ScriptedPasswords::Remove();
    PlatformSetKeychainCreationCostForTesting(0, 0);
    // Every key this process stored, and the key of the test's keychain file, is removed; then the
    // keyring must hold none of them.
    std::vector<std::string> descriptions = platform::security::TakeDescriptionsStoredForTesting();
    if (std::string description = platform::security::KeyDescriptionOfFile(KeychainPath()); !description.empty()) {
        descriptions.push_back(description);
    }
    // From the store in use (the process's own when a test chose it), then from the keyring.
    for (const std::string& description : descriptions) {
        platform::security::RemoveUnlockedKey(description);
    }
    PlatformUseProcessKeyStoreForTesting(false);
    for (const std::string& description : descriptions) {
        platform::security::RemoveUnlockedKey(description);
        EXPECT_FALSE(platform::security::FindUnlockedKey(description).has_value()) << description;
    }
}

void ClipKeychainTest::CreateKeychain(const std::string& password)
{
    StKeychainPath path;
    ASSERT_TRUE(path.FileMissing());
    mPasswords.Add(password);
    ClipKeychain keychain(nullptr);
    ASSERT_EQ(keychain.CreateNewKeychain(path.Get()), noErr);
}

bool ClipKeychainTest::IsUnlocked()
{
    ClipKeychain keychain(KeychainPath().c_str());
    return (keychain.GetStatus() & kSecUnlockStateStatus) != 0;
}

void ClipKeychainTest::LockKeychain()
{
    ClipKeychain keychain(KeychainPath().c_str());
    ASSERT_EQ(keychain.Lock(), noErr);
}

std::string ReadNote(ClipKeychain& keychain, CFStringRef name)
{
    UInt32 length = 0;
    void* data = keychain.ReadSecureNote(name, length);
    if (data == nullptr) {
        return "<none>";
    }
    std::string bytes(static_cast<const char*>(data), length);
    ClipKeychain::FreeSecureNoteData(data);
    return bytes;
}

std::string ReadNote(ClipKeychain& keychain, const std::string& name)
{
    CFStringRef string = CreateString(name);
    std::string bytes = ReadNote(keychain, string);
    CFRelease(string);
    return bytes;
}

}  // namespace keychaintest
