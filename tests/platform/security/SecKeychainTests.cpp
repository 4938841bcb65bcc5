// Creating, opening, locking and unlocking keychains; their status and settings.
#include "KeychainTestSupport.h"

#include "LockFile.h"
#include "support/LockHolder.h"

#include <climits>
#include <filesystem>

#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace keychaintest {
namespace {

using SecKeychainTest = KeychainTest;

// Another process keeping the keychain's folder locked (a writer stopped half-way) holds nobody up
// for ever: a status and a lock are answered after the bounded wait at most, while it still holds it.
TEST_F(SecKeychainTest, AFolderLockKeptElsewhereHoldsNobodyUpForEver)
{
    KeychainOwner keychain = Create("pw");
    testsupport::LockHolder holder(mDir.path());
    platform::SetLockWaitForTesting(std::chrono::milliseconds(100));
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    SecKeychainLock(keychain.Get());
    platform::SetLockWaitForTesting(std::chrono::milliseconds(0));
    EXPECT_TRUE(holder.Alive()) << "a call waited for the holder to end";
    holder.Release();
    EXPECT_EQ(SecKeychainLock(keychain.Get()), noErr);
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, 0u);
}

TEST_F(SecKeychainTest, WhileInteractionIsNotAllowedNobodyIsAsked)
{
    KeychainOwner keychain = Create("right");
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    mPasswords.Add("right");
    ASSERT_EQ(SecKeychainSetUserInteractionAllowed(false), noErr);
    EXPECT_EQ(SecKeychainUnlock(keychain.Get(), 0, nullptr, false), errSecInteractionNotAllowed);
    Boolean allowed = true;
    EXPECT_EQ(SecKeychainGetUserInteractionAllowed(&allowed), noErr);
    EXPECT_FALSE(allowed);
    ASSERT_EQ(SecKeychainSetUserInteractionAllowed(true), noErr);
    EXPECT_TRUE(mPasswords.requests.empty());
    EXPECT_EQ(SecKeychainUnlock(keychain.Get(), 0, nullptr, false), noErr);
}

// A prompted unlock asks at most three times, numbering its attempts, and the keychain stays
// locked after three wrong answers.
TEST_F(SecKeychainTest, APromptedUnlockTriesThreeTimes)
{
    KeychainOwner keychain = Create("right");
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    for (const char* answer : {"one", "two", "right"}) {
        mPasswords.Add(answer);
    }
    EXPECT_EQ(SecKeychainUnlock(keychain.Get(), 0, nullptr, false), noErr);
    ASSERT_EQ(mPasswords.requests.size(), 3u);
    for (UInt32 i = 0; i < 3; ++i) {
        EXPECT_EQ(mPasswords.requests[i].attempt, i + 1);
    }
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    for (const char* answer : {"a", "b", "c", "right"}) {
        mPasswords.Add(answer);
    }
    EXPECT_EQ(SecKeychainUnlock(keychain.Get(), 0, nullptr, false), errSecAuthFailed);
    EXPECT_EQ(mPasswords.requests.size(), 6u);
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, 0u);
}

TEST_F(SecKeychainTest, CreateRefusesAnExistingFileAndBadArguments)
{
    KeychainOwner keychain = Create("one");
    std::string before = testsupport::ReadFile(Path());
    SecKeychainRef again = nullptr;
    EXPECT_EQ(SecKeychainCreate(Path().c_str(), 3, "two", false, nullptr, &again), errSecDuplicateKeychain);
    // Nobody types a password for a keychain that cannot be made.
    mPasswords.Add("two");
    EXPECT_EQ(SecKeychainCreate(Path().c_str(), 0, nullptr, true, nullptr, &again), errSecDuplicateKeychain);
    EXPECT_TRUE(mPasswords.requests.empty());
    EXPECT_EQ(testsupport::ReadFile(Path()), before);
    EXPECT_EQ(SecKeychainCreate(nullptr, 3, "two", false, nullptr, &again), errSecParam);
    EXPECT_EQ(SecKeychainCreate(Path("x").c_str(), 3, nullptr, false, nullptr, &again), errSecParam);
    EXPECT_EQ(SecKeychainCreate(Path("missing/x.keychain").c_str(), 3, "two", false, nullptr, &again),
              errSecNoSuchKeychain);
    EXPECT_EQ(again, nullptr);
}

TEST_F(SecKeychainTest, CreationRefusesEmptyPasswordsAndImpossiblePathsBeforeAsking)
{
    // Each row: a path, and the password given (nullptr: asked for, and answered with "").
    struct Case {
        const char* what;
        std::string path;
        const char* password;
    };
    const std::string longName(NAME_MAX + 1, 'n');
    const std::string longPath = Path() + "/" + std::string(PATH_MAX, 'p');
    for (const Case& row : {Case{"empty password given", Path("Empty.keychain"), ""},
                            Case{"empty password typed", Path("Typed.keychain"), nullptr},
                            Case{"name past NAME_MAX", Path(longName), "pw"},
                            Case{"name past NAME_MAX, asked", Path(longName), nullptr},
                            Case{"path past PATH_MAX, asked", longPath, nullptr}}) {
        mPasswords.requests.clear();
        mPasswords.Add("");
        bool impossible = row.path.size() >= PATH_MAX || row.path.find(longName) != std::string::npos;
        SecKeychainRef created = nullptr;
        EXPECT_EQ(SecKeychainCreate(row.path.c_str(), 0, row.password, row.password == nullptr, nullptr, &created),
                  errSecParam)
            << row.what;
        EXPECT_EQ(created, nullptr) << row.what;
        EXPECT_EQ(mPasswords.requests.size(), impossible || row.password != nullptr ? 0u : 1u) << row.what;
        struct stat info {};
        EXPECT_NE(::lstat(row.path.c_str(), &info), 0) << row.what;
        SecKeychainRef opened = nullptr;
        EXPECT_EQ(SecKeychainOpen(row.path.c_str(), &opened), impossible ? OSStatus{errSecParam} : OSStatus{noErr}) << row.what;
        KeychainOwner owner = KeychainOwner::Adopt(opened);
        mPasswords = ScriptedPasswords();
        mPasswords.Install();
    }
    EXPECT_TRUE(std::filesystem::is_empty(mDir.path()));
}

TEST_F(SecKeychainTest, MissingAndForeignFiles)
{
    KeychainOwner missing = Open("Nothing.keychain");
    ASSERT_TRUE(missing);  // opening does not look at the file
    SecKeychainStatus status = 0;
    EXPECT_EQ(SecKeychainGetStatus(missing.Get(), &status), errSecNoSuchKeychain);
    EXPECT_EQ(SecKeychainUnlock(missing.Get(), 1, "x", true), errSecNoSuchKeychain);
    EXPECT_EQ(SecKeychainLock(missing.Get()), errSecNoSuchKeychain);
    SecKeychainSettings settings{};
    EXPECT_EQ(SecKeychainCopySettings(missing.Get(), &settings), errSecNoSuchKeychain);

    testsupport::WriteFile(Path("Text.keychain"), std::string(400, 'x'));
    KeychainOwner text = Open("Text.keychain");
    EXPECT_EQ(SecKeychainGetStatus(text.Get(), &status), errSecInvalidKeychain);
    EXPECT_EQ(SecKeychainUnlock(text.Get(), 1, "x", true), errSecInvalidKeychain);

    EXPECT_EQ(SecKeychainGetStatus(nullptr, &status), errSecNoDefaultKeychain);
    EXPECT_EQ(SecKeychainOpen(nullptr, nullptr), errSecParam);
}

TEST_F(SecKeychainTest, RelativePathsAreTakenFromTheCurrentFolder)
{
    KeychainOwner keychain = Create("pw");
    char old[4096];
    ASSERT_NE(::getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(::chdir(mDir.path().c_str()), 0);
    SecKeychainRef relative = nullptr;
    EXPECT_EQ(SecKeychainOpen("Test.keychain", &relative), noErr);
    ASSERT_EQ(::chdir(old), 0);
    KeychainOwner owner = KeychainOwner::Adopt(relative);
    EXPECT_TRUE(CFEqual(owner.Get(), keychain.Get()));
}

TEST_F(SecKeychainTest, PermissionBitsFollowTheFile)
{
    KeychainOwner keychain = Create("pw");
    struct stat info {};
    ASSERT_EQ(::stat(Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a new keychain is its owner's alone";
    ASSERT_EQ(::chmod(Path().c_str(), 0400), 0);
    EXPECT_EQ(Status(keychain.Get()), kSecUnlockStateStatus | kSecReadPermStatus);
    // A write-protected keychain is not changed, even though a rename could get past the mode.
    std::string before = testsupport::ReadFile(Path());
    EXPECT_EQ(AddGenericPassword(keychain.Get(), "svc", "", "data"), errSecWrPerm);
    EXPECT_EQ(testsupport::ReadFile(Path()), before);
    ASSERT_EQ(::chmod(Path().c_str(), 0200), 0);
    EXPECT_EQ(Status(keychain.Get()), kSecUnlockStateStatus | kSecWritePermStatus);
    ASSERT_EQ(::chmod(Path().c_str(), 0600), 0);
}

TEST_F(SecKeychainTest, SettingsRoundTripAndSurviveLocking)
{
    KeychainOwner keychain = Create("pw");
    SecKeychainSettings settings{};
    ASSERT_EQ(SecKeychainCopySettings(keychain.Get(), &settings), noErr);
    EXPECT_EQ(settings.version, SEC_KEYCHAIN_SETTINGS_VERS1);

    SecKeychainSettings wanted{SEC_KEYCHAIN_SETTINGS_VERS1, true, false, 0x7FFFFFFF};
    ASSERT_EQ(SecKeychainSetSettings(keychain.Get(), &wanted), noErr);
    // The rewrite kept the keychain unlocked.
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);

    // Read from a zero-filled record while locked: every field comes back.
    SecKeychainSettings read{};
    ASSERT_EQ(SecKeychainCopySettings(keychain.Get(), &read), noErr);
    EXPECT_EQ(read.version, SEC_KEYCHAIN_SETTINGS_VERS1);
    EXPECT_TRUE(read.lockOnSleep);
    EXPECT_FALSE(read.useLockInterval);
    EXPECT_EQ(read.lockInterval, 0x7FFFFFFFu);

    // Writing settings to a locked keychain asks to unlock it first.
    read.useLockInterval = true;
    read.lockInterval = 300;
    mPasswords.Add("pw");
    ASSERT_EQ(SecKeychainSetSettings(keychain.Get(), &read), noErr);
    EXPECT_EQ(mPasswords.requests.size(), 1u);
    SecKeychainSettings again{};
    ASSERT_EQ(SecKeychainCopySettings(keychain.Get(), &again), noErr);
    EXPECT_TRUE(again.useLockInterval);
    EXPECT_EQ(again.lockInterval, 300u);

    SecKeychainSettings badVersion{2, false, false, 0};
    EXPECT_EQ(SecKeychainSetSettings(keychain.Get(), &badVersion), errSecParam);
}

TEST_F(SecKeychainTest, LockIntervalLocksTheKeychainByItself)
{
    KeychainOwner keychain = Create("pw");
    SecKeychainSettings settings{SEC_KEYCHAIN_SETTINGS_VERS1, false, true, 1};
    ASSERT_EQ(SecKeychainSetSettings(keychain.Get(), &settings), noErr);
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    ASSERT_EQ(SecKeychainUnlock(keychain.Get(), 2, "pw", true), noErr);
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, 0u);
}

TEST_F(SecKeychainTest, ProcessKeyStoreKeepsKeysOutOfTheKernel)
{
    PlatformUseProcessKeyStoreForTesting(true);
    KeychainOwner keychain = Create("pw");
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    EXPECT_FALSE(KernelKeyringHolds(DescriptionOf(Path())));
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, 0u);
    ASSERT_EQ(SecKeychainUnlock(keychain.Get(), 2, "pw", true), noErr);
    EXPECT_EQ(AddGenericPassword(keychain.Get(), "svc", "", "data"), noErr);
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    EXPECT_FALSE(KernelKeyringHolds(DescriptionOf(Path())));
}

}  // namespace
}  // namespace keychaintest
