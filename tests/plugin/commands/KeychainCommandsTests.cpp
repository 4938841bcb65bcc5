// The keychain commands where they do not fit the keychain file: no file, a file already there, no
// clips folder, a damaged file. Their normal course from the menu is the secure-clip scenario's.
#include "SecureClipTesting.h"

#include "commands/CommandIDs.h"
#include "commands/CommandSteps.h"
#include "plugin/support/ScriptedUser.h"

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
