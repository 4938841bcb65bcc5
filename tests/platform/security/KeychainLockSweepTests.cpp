// How long a key lives: a key whose file is gone or replaced, or that was left under an old identity
// of its file, is removed at the next keychain call; locking removes every key of the keychain; a
// keychain that locks on sleep is locked once the machine has slept since the unlock.
#include "KeychainTestSupport.h"

#include "security/SleepClock.h"
#include "security/UnlockedKeyStore.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace keychaintest {
namespace {

using KeychainLockSweepTest = KeychainTest;

// The keys held for the keychain with this random id, under any identity of its file.
size_t KeysWithId(const std::string& description)
{
    std::string id = description.substr(description.rfind(':'));
    size_t count = 0;
    for (const std::string& held : platform::security::UnlockedKeyDescriptions()) {
        count += held.ends_with(id) ? 1 : 0;
    }
    return count;
}

TEST_F(KeychainLockSweepTest, NoKeyOutlivesItsKeychainFile)
{
    enum class Leaving { Deleted, ReplacedByAnother, FolderRemoved, KeyLeftUnderAnOldIdentity };
    struct Case {
        const char* name;
        Leaving how;
        size_t keysLeft;
    };
    for (bool processStore : {false, true}) {
        PlatformUseProcessKeyStoreForTesting(processStore);
        for (Case row : {Case{"deleted, and a new one made in its place", Leaving::Deleted, 0},
                         Case{"replaced by another keychain", Leaving::ReplacedByAnother, 0},
                         Case{"its folder removed", Leaving::FolderRemoved, 0},
                         // A writer killed half-way through moving the key to the rewritten file
                         // leaves it under an inode the file no longer has; only the file's own stays.
                         Case{"a key left under an old identity", Leaving::KeyLeftUnderAnOldIdentity, 1}}) {
            SCOPED_TRACE(std::string(row.name) + (processStore ? ", keys held by the process" : ", kernel keyring"));
            std::filesystem::create_directories(Path("folder"));
            KeychainOwner old = Create("pw", "folder/Old.keychain");
            KeychainOwner witness = Create("pw", "Witness.keychain");
            std::string description = DescriptionOf(Path("folder/Old.keychain"));
            ASSERT_EQ(KeysWithId(description), 1u);
            switch (row.how) {
            case Leaving::Deleted:
                ASSERT_EQ(std::remove(Path("folder/Old.keychain").c_str()), 0);
                Create("pw2", "folder/Old.keychain");
                break;
            case Leaving::ReplacedByAnother:
                Create("pw2", "folder/New.keychain");
                std::filesystem::rename(Path("folder/New.keychain"), Path("folder/Old.keychain"));
                break;
            case Leaving::FolderRemoved:
                std::filesystem::remove_all(Path("folder"));
                break;
            case Leaving::KeyLeftUnderAnOldIdentity: {
                std::optional<platform::security::StoredKey> key = platform::security::FindUnlockedKey(description);
                ASSERT_TRUE(key.has_value());
                std::string stale = "stashwell:keychain:0:1" + description.substr(description.rfind(':'));
                ASSERT_EQ(platform::security::StoreUnlockedKey(stale, key->masterKey.Bytes(), key->life), noErr);
                ASSERT_EQ(KeysWithId(description), 2u);
                break;
            }
            }
            // Any keychain's next call, here another one's status. The kernel keyring is the
            // user's: a test process running beside this one may be judging the same key under the
            // folder's lock, which makes this call leave it to a later one. A few later calls.
            for (int call = 0; call < 50; ++call) {
                EXPECT_EQ(Status(witness.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
                if (KeysWithId(description) == row.keysLeft)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            EXPECT_EQ(KeysWithId(description), row.keysLeft);
            // Locking removes every key of a keychain, and no other keychain's.
            EXPECT_EQ(SecKeychainLock(old.Get()),
                      row.how == Leaving::FolderRemoved ? OSStatus{errSecNoSuchKeychain} : OSStatus{noErr});
            EXPECT_EQ(KeysWithId(description), 0u);
            EXPECT_EQ(Status(witness.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
            ASSERT_EQ(SecKeychainLock(witness.Get()), noErr);
            std::filesystem::remove_all(Path("folder"));
            std::filesystem::remove(Path("Witness.keychain"));
        }
    }
}

TEST_F(KeychainLockSweepTest, AKeychainThatLocksOnSleepIsLockedAfterASleep)
{
    constexpr int64_t kSecond = 1'000'000'000;
    std::atomic<int64_t> slept{5 * kSecond};
    platform::security::SetSleepClockForTesting([&] { return slept.load(); });
    struct Case {
        bool lockOnSleep;
        int64_t sleep;
        bool stillUnlocked;
    };
    for (bool processStore : {false, true}) {
        PlatformUseProcessKeyStoreForTesting(processStore);
        for (Case row : {Case{true, 0, true}, Case{true, platform::security::kSleepToleranceNanoseconds, true},
                         Case{true, platform::security::kSleepToleranceNanoseconds + 1, false},
                         Case{true, 3600 * kSecond, false}, Case{false, 3600 * kSecond, true}}) {
            SCOPED_TRACE(std::to_string(row.lockOnSleep) + " " + std::to_string(row.sleep) + (processStore ? " process" : " kernel"));
            KeychainOwner keychain = Create("pw");
            SecKeychainSettings settings{SEC_KEYCHAIN_SETTINGS_VERS1, row.lockOnSleep, false, 300};
            ASSERT_EQ(SecKeychainSetSettings(keychain.Get(), &settings), noErr);
            ASSERT_EQ(AddGenericPassword(keychain.Get(), "note", "", "text"), noErr);
            slept += row.sleep;
            EXPECT_EQ((Status(keychain.Get()) & kSecUnlockStateStatus) != 0, row.stillUnlocked);
            EXPECT_EQ(KeysWithId(DescriptionOf(Path())), row.stillUnlocked ? 1u : 0u);
            // An item call on the locked keychain asks to unlock first, and is then unlocked until
            // the next sleep.
            mPasswords.requests.clear();
            mPasswords.Add("pw");
            ItemOwner note = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "note"));
            EXPECT_EQ(DataOf(note.Get()), "text");
            EXPECT_EQ(mPasswords.requests.size(), row.stillUnlocked ? 0u : 1u);
            EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
            mPasswords = ScriptedPasswords();
            mPasswords.Install();
            ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
            std::filesystem::remove(Path());
        }
    }
}

}  // namespace
}  // namespace keychaintest
