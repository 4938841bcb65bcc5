// The keychain commands where they do not fit the keychain file: no file, a file already there, one
// made elsewhere while creating, no clips folder, a damaged file. Their normal course from the menu is
// the secure-clip scenario's.
#include "SecureClipTesting.h"

#include "commands/CommandSteps.h"
#include "menu/CommandIDs.h"
#include "plugin/support/ScriptedUser.h"
#include "security/UnlockedKeyStore.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

namespace keychaintest {
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

// A keychain deleted while unlocked leaves no key in the user's keyring once the next menu opens.
TEST_F(KeychainCommandsTest, ADeletedKeychainsKeyGoesAtTheNextMenu)
{
    CreateKeychain("pw");
    ASSERT_TRUE(IsUnlocked());
    struct stat file {};
    ASSERT_EQ(::stat(KeychainPath().c_str(), &file), 0);
    // Its key, named by the file's device and inode.
    const std::string identity = ":" + std::to_string(file.st_dev) + ":" + std::to_string(file.st_ino) + ":";
    auto keysOfTheFile = [&] {
        size_t count = 0;
        for (const std::string& description : platform::security::UnlockedKeyDescriptions())
            count += description.find(identity) != std::string::npos ? 1 : 0;
        return count;
    };
    ASSERT_EQ(keysOfTheFile(), 1u);
    fs::remove(KeychainPath());
    EXPECT_EQ(MenuOutline(), "Stashwell{Create New Keychain...}");
    EXPECT_EQ(keysOfTheFile(), 0u);
}

// A keychain link the user made whose keychain is not there is no keychain: the menu offers to
// create one, which is made where the link points; where it cannot be made, that is said.
TEST_F(KeychainCommandsTest, ALinkToNoKeychainOffersToCreateItWhereItPoints)
{
    fs::create_directories(ClipsFolder());
    testsupport::ScopedTempDir elsewhere;
    fs::create_symlink(elsewhere.Child("nowhere/Mine.keychain"), KeychainPath());
    EXPECT_EQ(MenuOutline(), "Stashwell{Create New Keychain...}");
    dialogtest::ScriptedUser user;
    mPasswords.Add("pw");
    Pick(kCmdCreateKeychain);
    ASSERT_EQ(user.alerts.size(), 1u);
    EXPECT_EQ(user.alerts[0].message, "The keychain “Stashwell.keychain” could not be created.");

    fs::remove(KeychainPath());
    fs::create_symlink(elsewhere.Child("Mine.keychain"), KeychainPath());
    mPasswords.Add("pw");
    Pick(kCmdCreateKeychain);
    EXPECT_TRUE(fs::is_symlink(KeychainPath()));
    EXPECT_TRUE(fs::is_regular_file(elsewhere.Child("Mine.keychain")));
    EXPECT_EQ(MenuOutline(), "Stashwell{Lock Keychain}");
    EXPECT_EQ(user.alerts.size(), 1u);
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

// A damaged keychain is told as damaged, not taken for a locked one that refuses the password; it
// is asked for no password and never rewritten. Unlocking it offers a new keychain: refused,
// nothing changes; agreed, the damaged file is kept aside whole and a new keychain takes its place.
// A keychain of a format version this one cannot read is told the same way.
TEST_F(KeychainCommandsTest, ADamagedKeychainIsToldAndOffersANewOneInItsPlace)
{
    StoreClipList(kOneOfEach);
    fs::create_directories(ClipsFolder());
    testsupport::WriteFile(KeychainPath(), "garbage that is no keychain");
    EXPECT_EQ(MenuOutline(), "Stashwell{Unlock Keychain...,-,Plain,- Plain}");
    dialogtest::ScriptedUser user;
    user.alertAnswer = kAlertStdAlertCancelButton;
    mPasswords.Add("pw");
    Pick(kCmdUnlockKeychain);
    Pick(kCmdCreateKeychain);
    Pick(kCmdLockKeychain);
    Pick(kCmdPasteClipBase + 1);
    EXPECT_TRUE(Clipboard().empty());
    EXPECT_TRUE(mPasswords.asked.empty());
    ASSERT_EQ(user.alerts.size(), 3u) << "the offer, then the damage told to locking and pasting";
    EXPECT_EQ(user.alerts[0].message, "The keychain “Stashwell.keychain” is damaged and cannot be opened.\n"
                                      "Keep the damaged file aside and create a new keychain? The secure clips it "
                                      "held cannot be pasted from the new one.");
    EXPECT_EQ(user.alerts[0].defaultText, "Create New Keychain...");
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), "garbage that is no keychain");

    user.alertAnswer = kAlertStdAlertOKButton;
    Pick(kCmdUnlockKeychain);
    EXPECT_EQ(mPasswords.asked, std::vector<PlatformPasswordRequestKind>{kPlatformPasswordCreate});
    EXPECT_TRUE(IsUnlocked());
    std::vector<std::string> aside;
    for (const auto& entry : fs::directory_iterator(ClipsFolder())) {
        if (entry.path().filename().string().rfind("Stashwell.keychain.damaged-", 0) == 0)
            aside.push_back(entry.path().string());
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(testsupport::ReadFile(aside[0]), "garbage that is no keychain");
    EXPECT_EQ(MenuOutline(), "Stashwell{Lock Keychain,-,Plain,- Plain,Secret,- Secret}");

    // A keychain whose format version is not this one's.
    LockKeychain();
    std::string other = testsupport::ReadFile(KeychainPath());
    other[8] = 2;
    testsupport::WriteFile(KeychainPath(), other);
    user.alertAnswer = kAlertStdAlertCancelButton;
    Pick(kCmdUnlockKeychain);
    ASSERT_GT(user.alerts.size(), 3u);
    for (size_t i = 3; i < user.alerts.size(); ++i)
        EXPECT_EQ(user.alerts[i].message.rfind("The keychain “Stashwell.keychain” is damaged", 0), 0u) << i;
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), other);
}

}  // namespace
}  // namespace keychaintest
