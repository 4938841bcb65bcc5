// The keychain commands where they do not fit the keychain file: no file, a file already there, one
// made elsewhere while creating, no clips folder, a damaged file. Their normal course from the menu is
// the secure-clip scenario's.
#include "SecureClipTesting.h"

#include "commands/CommandIDs.h"
#include "commands/CommandSteps.h"
#include "plugin/support/ScriptedUser.h"

#include <cstring>
#include <filesystem>

namespace keychaintesting {
namespace {

namespace fs = std::filesystem;

using KeychainCommandsTest = SecureClipTest;

const std::vector<ClipRecord> kOneOfEach = {{"Plain", "Plain", {"TEXT"}, false}, {"Secret", "Secret", {"TEXT"}, true}};

TEST_F(KeychainCommandsTest, ACommandThatDoesNotFitTheFileDoesNothing)
{
    // No file: neither unlocking nor locking makes one or asks for anything.
    Pick(kCmdUnlockKeychain);
    Pick(kCmdLockKeychain);
    RunKeychainCommand(kCmdPasteClipBase);
    EXPECT_FALSE(fs::exists(KeychainPath()));
    EXPECT_TRUE(mPasswords.asked.empty());

    // A file: creating again asks nothing and leaves it as it is, locked or not.
    CreateKeychain("pw");
    LockKeychain();
    const std::string before = testsupport::ReadFile(KeychainPath());
    mPasswords.asked.clear();
    RunKeychainCommand(kCmdCreateKeychain);
    EXPECT_TRUE(mPasswords.asked.empty());
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), before);
    EXPECT_FALSE(IsUnlocked());
}

// Another application creates the keychain while this one's user types the new password: the
// keychain there is kept, and unlocked with its own password.
TEST_F(KeychainCommandsTest, AKeychainMadeElsewhereWhileCreatingIsUnlockedInstead)
{
    struct Race {
        std::string path;
        int asked = 0;
    } race{KeychainPath()};
    fs::create_directories(ClipsFolder());
    PlatformSetPasswordSource(
        [](void* context, const PlatformPasswordRequest* request, char* buffer, UInt32, UInt32* length) -> OSStatus {
            auto& race = *static_cast<Race*>(context);
            ++race.asked;
            if (request->kind == kPlatformPasswordCreate) {
                SecKeychainRef created = nullptr;
                EXPECT_EQ(SecKeychainCreate(race.path.c_str(), 5, "first", false, nullptr, &created), noErr);
                CFObj<SecKeychainRef> other(created);
                EXPECT_EQ(SecKeychainLock(other), noErr);
                std::memcpy(buffer, "second", 6);
                *length = 6;
            } else {
                std::memcpy(buffer, "first", 5);
                *length = 5;
            }
            return noErr;
        },
        &race);
    RunKeychainCommand(kCmdCreateKeychain);
    EXPECT_EQ(race.asked, 2);
    EXPECT_TRUE(IsUnlocked());
    LockKeychain();
    SecKeychainRef opened = nullptr;
    ASSERT_EQ(SecKeychainOpen(KeychainPath().c_str(), &opened), noErr);
    CFObj<SecKeychainRef> kept(opened);
    EXPECT_EQ(SecKeychainUnlock(kept, 5, "first", true), noErr) << "the first keychain is kept";
}

TEST_F(KeychainCommandsTest, WithoutAClipsFolderNothingCanBeCreated)
{
    fs::remove_all(mStorage.DataHome());
    testsupport::WriteFile(mStorage.DataHome(), "not a folder");
    EXPECT_EQ(MenuOutline(), "Stashwell{Create New Keychain...}");
    mPasswords.Add("pw");
    Pick(kCmdCreateKeychain);
    EXPECT_TRUE(mPasswords.asked.empty());
    EXPECT_EQ(testsupport::ReadFile(mStorage.DataHome()), "not a folder");
}

// A damaged keychain is told as damaged, not taken for a locked one that refuses the password;
// it is asked for no password, and left as it is.
TEST_F(KeychainCommandsTest, ADamagedKeychainFileIsToldAndLeftAlone)
{
    StoreClipList(kOneOfEach);
    fs::create_directories(ClipsFolder());
    testsupport::WriteFile(KeychainPath(), "garbage that is no keychain");
    EXPECT_EQ(MenuOutline(), "Stashwell{Unlock Keychain...,-,Plain,- Plain}");
    dialogtest::ScriptedUser user;
    mPasswords.Add("pw");
    Pick(kCmdUnlockKeychain);
    Pick(kCmdCreateKeychain);
    Pick(kCmdLockKeychain);
    Pick(kCmdPasteClipBase + 1);
    EXPECT_TRUE(Clipboard().empty());
    EXPECT_TRUE(mPasswords.asked.empty());
    ASSERT_FALSE(user.alerts.empty());
    EXPECT_EQ(user.alerts[0].message, "The keychain “Stashwell.keychain” is damaged and cannot be opened.");
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), "garbage that is no keychain");
}

}  // namespace
}  // namespace keychaintesting
