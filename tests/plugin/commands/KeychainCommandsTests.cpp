// The keychain command of the menu and what picking it does: "Create New Keychain...",
// "Unlock Keychain..." and "Lock Keychain" follow the keychain file's state, also when another
// process changed it, and secure clips are listed only while the keychain is unlocked.
#include "SecureClipTesting.h"

#include "commands/CommandIDs.h"
#include "commands/CommandSteps.h"

#include <filesystem>

namespace keychaintesting {
namespace {

namespace fs = std::filesystem;

using KeychainCommandsTest = SecureClipTest;

const std::vector<ClipRecord> kOneOfEach = {{"Plain", "Plain", {"TEXT"}, false}, {"Secret", "Secret", {"TEXT"}, true}};

TEST_F(KeychainCommandsTest, TheCommandFollowsTheKeychainsStateAndSecureClipsShowOnlyWhenUnlocked)
{
    StoreClipList(kOneOfEach);
    EXPECT_EQ(MenuOutline(), "Stashwell{Create New Keychain...,-,Plain,- Plain}");
    EXPECT_FALSE(mSession.keychainUnlockedInMenu);

    mPasswords.Add("pw");
    Pick(kCmdCreateKeychain);
    EXPECT_EQ(mPasswords.asked, std::vector<PlatformPasswordRequestKind>{kPlatformPasswordCreate});
    ASSERT_TRUE(fs::is_regular_file(KeychainPath()));
    EXPECT_EQ(MenuOutline(), "Stashwell{Lock Keychain,-,Plain,- Plain,Secret,- Secret}");
    EXPECT_TRUE(mSession.keychainUnlockedInMenu);

    Pick(kCmdLockKeychain);
    EXPECT_FALSE(IsUnlocked());
    EXPECT_EQ(MenuOutline(), "Stashwell{Unlock Keychain...,-,Plain,- Plain}");
    EXPECT_FALSE(mSession.keychainUnlockedInMenu);

    mPasswords.asked.clear();
    mPasswords.Add("pw");
    Pick(kCmdUnlockKeychain);
    EXPECT_EQ(mPasswords.asked, std::vector<PlatformPasswordRequestKind>{kPlatformPasswordUnlock});
    EXPECT_TRUE(IsUnlocked());
    EXPECT_EQ(MenuOutline(), "Stashwell{Lock Keychain,-,Plain,- Plain,Secret,- Secret}");
    Pick(kCmdLockKeychain);
}

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

TEST_F(KeychainCommandsTest, AnotherProcessUnlockingOrLockingChangesTheNextMenu)
{
    StoreClipList(kOneOfEach);
    CreateKeychain("pw");
    LockKeychain();
    mPasswords.asked.clear();
    EXPECT_EQ(MenuOutline(), "Stashwell{Unlock Keychain...,-,Plain,- Plain}");

    EXPECT_EQ(RunInChild([] {
                  PasswordScript script;
                  script.Add("pw");
                  script.Install();
                  RunKeychainCommand(kCmdUnlockKeychain);
                  return 0;
              }),
              0);
    EXPECT_EQ(MenuOutline(), "Stashwell{Lock Keychain,-,Plain,- Plain,Secret,- Secret}");

    EXPECT_EQ(RunInChild([] {
                  PasswordScript::Remove();
                  RunKeychainCommand(kCmdLockKeychain);
                  return 0;
              }),
              0);
    EXPECT_EQ(MenuOutline(), "Stashwell{Unlock Keychain...,-,Plain,- Plain}");
    EXPECT_TRUE(mPasswords.asked.empty()) << "this process never asked: looking at the state needs no password";
}

TEST_F(KeychainCommandsTest, ADamagedKeychainFileIsOfferedForUnlockingAndLeftAlone)
{
    StoreClipList(kOneOfEach);
    fs::create_directories(ClipsFolder());
    testsupport::WriteFile(KeychainPath(), "garbage that is no keychain");
    EXPECT_EQ(MenuOutline(), "Stashwell{Unlock Keychain...,-,Plain,- Plain}");
    mPasswords.Add("pw");
    Pick(kCmdUnlockKeychain);
    Pick(kCmdCreateKeychain);
    Pick(kCmdLockKeychain);
    Pick(kCmdPasteClipBase + 1);
    EXPECT_TRUE(Clipboard().empty());
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), "garbage that is no keychain");
}

}  // namespace
}  // namespace keychaintesting
