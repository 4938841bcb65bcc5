// Locking removes every key of the keychain, also one left under an old identity of its file by a
// writer killed half-way through moving the key to the rewritten file.
#include "KeychainTestSupport.h"

#include "security/UnlockedKeyStore.h"

namespace keychaintest {
namespace {

using KeychainLockSweepTest = KeychainTest;

TEST_F(KeychainLockSweepTest, LockRemovesKeysLeftUnderOldIdentitiesAndNoOtherKeychains)
{
    namespace security = platform::security;
    for (bool processStore : {false, true}) {
        SCOPED_TRACE(processStore ? "keys held by the process" : "keys in the kernel keyring");
        PlatformUseProcessKeyStoreForTesting(processStore);
        std::string name = processStore ? "process.keychain" : "kernel.keychain";
        KeychainOwner keychain = Create("pw", name);
        KeychainOwner other = Create("pw", "other-" + name);

        std::string current = DescriptionOf(Path(name));
        std::optional<security::StoredKey> key = security::FindUnlockedKey(current);
        ASSERT_TRUE(key.has_value());
        // The same keychain id on an inode the file no longer has.
        std::string id = current.substr(current.rfind(':'));
        std::string stale = "stashwell:keychain:0:1" + id;
        ASSERT_EQ(security::StoreUnlockedKey(stale, key->masterKey.Bytes(), 0), noErr);
        ASSERT_TRUE(security::FindUnlockedKey(stale).has_value());

        ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
        EXPECT_FALSE(security::FindUnlockedKey(current).has_value());
        EXPECT_FALSE(security::FindUnlockedKey(stale).has_value());
        EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, 0u);
        EXPECT_EQ(Status(other.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
        ASSERT_EQ(SecKeychainLock(other.Get()), noErr);
    }
}

}  // namespace
}  // namespace keychaintest
