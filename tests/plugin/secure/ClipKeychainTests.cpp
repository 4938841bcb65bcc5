// The clip keychain's file, path and lock state, through ClipKeychain and its path builder.
#include "ClipKeychainTesting.h"

#include "support/CFObj.h"

#include <Security/Security.h>

#include <filesystem>
#include <string>

namespace keychaintest {
namespace {

namespace fs = std::filesystem;

// The path and flag as the plug-in asks for them; "<null>" for no path.
std::pair<std::string, bool> AskPath(CFStringRef fileName = nullptr)
{
    Boolean exists = true;
    char* path = ClipKeychain::CreateStashwellKeychainPath(fileName, &exists);
    std::string text = path != nullptr ? path : "<null>";
    std::free(path);
    return {text, exists != 0};
}

SecKeychainSettings SettingsOf(const std::string& path)
{
    SecKeychainSettings settings = {};
    SecKeychainRef keychain = nullptr;
    EXPECT_EQ(SecKeychainOpen(path.c_str(), &keychain), noErr);
    CFObj<SecKeychainRef> owner(keychain);
    EXPECT_EQ(SecKeychainCopySettings(keychain, &settings), noErr);
    return settings;
}

TEST_F(ClipKeychainTest, ThePathNamesTheFileInTheClipsFolderAndTellsWhetherItIsThere)
{
    EXPECT_EQ(AskPath(), std::make_pair(KeychainPath(), false));
    EXPECT_TRUE(fs::is_directory(ClipsFolder())) << "the clips folder is made on the way";
    EXPECT_FALSE(fs::exists(KeychainPath())) << "the keychain file is not";

    CreateKeychain();
    EXPECT_EQ(mPasswords.asked, std::vector<PlatformPasswordRequestKind>{kPlatformPasswordCreate});
    EXPECT_EQ(AskPath(), std::make_pair(KeychainPath(), true));
    EXPECT_EQ(AskPath(CFSTR("Other.keychain")), std::make_pair(ClipsFolder() + "/Other.keychain", false));

    // The flag may be left out.
    char* path = ClipKeychain::CreateStashwellKeychainPath(nullptr, nullptr);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), KeychainPath());
    std::free(path);
    LockKeychain();
}

TEST_F(ClipKeychainTest, WithoutAClipsFolderThereIsNoPath)
{
    // The data folder is a file: no clips folder can be found or made in it.
    fs::remove_all(mStorage.DataHome());
    testsupport::WriteFile(mStorage.DataHome(), "not a folder");
    EXPECT_EQ(AskPath(), std::make_pair(std::string("<null>"), false));

    StKeychainPath path;
    EXPECT_EQ(path.Get(), nullptr);
    EXPECT_FALSE(path.FileExists());
    EXPECT_FALSE(path.FileMissing());
}

TEST_F(ClipKeychainTest, AnObjectWithoutAKeychainAnswersInvalidKeychain)
{
    ClipKeychain keychain(nullptr);
    EXPECT_EQ(keychain.Lock(), errSecInvalidKeychain);
    EXPECT_EQ(keychain.Unlock(), errSecInvalidKeychain);
    EXPECT_EQ(keychain.SetLockInterval(300), errSecInvalidKeychain);
    EXPECT_EQ(keychain.GetStatus(), 0u);
    EXPECT_EQ(keychain.CreateNewKeychain(nullptr), paramErr);
    UInt32 length = 5;
    EXPECT_EQ(keychain.ReadSecureNote(CFSTR("Any"), length), nullptr);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(keychain.FindSecureNote(CFSTR("Any")), nullptr);
    EXPECT_EQ(keychain.DeleteSecureNote(CFSTR("Any")), errSecInvalidKeychain);
    EXPECT_EQ(keychain.AddSecureNote(CFSTR("Any"), "x", 1), errSecInvalidKeychain);
    EXPECT_EQ(keychain.AddSecureNote(CFSTR("Any"), CFSTR("x")), errSecInvalidKeychain);
    EXPECT_TRUE(mPasswords.asked.empty());
}

TEST_F(ClipKeychainTest, ANewKeychainLocksOnSleepAndNeverByTime)
{
    CreateKeychain();
    SecKeychainSettings settings = SettingsOf(KeychainPath());
    EXPECT_EQ(settings.version, 1u);
    EXPECT_TRUE(settings.lockOnSleep);
    EXPECT_FALSE(settings.useLockInterval);
    EXPECT_EQ(settings.lockInterval, 0x7FFFFFFFu);

    ClipKeychain keychain(KeychainPath().c_str());
    ASSERT_EQ(keychain.SetLockInterval(300), noErr);
    settings = SettingsOf(KeychainPath());
    EXPECT_TRUE(settings.useLockInterval);
    EXPECT_EQ(settings.lockInterval, 300u);
    EXPECT_TRUE(settings.lockOnSleep) << "the other fields stay as they were";

    ASSERT_EQ(keychain.SetLockInterval(0x7FFFFFFF), noErr);
    settings = SettingsOf(KeychainPath());
    EXPECT_FALSE(settings.useLockInterval);
    EXPECT_EQ(settings.lockInterval, 0x7FFFFFFFu);

    // No path: refused, and the keychain held stays held.
    EXPECT_EQ(keychain.CreateNewKeychain(nullptr), paramErr);
    EXPECT_NE(keychain.GetStatus() & kSecUnlockStateStatus, 0u);
    EXPECT_EQ(keychain.Lock(), noErr);
}

TEST_F(ClipKeychainTest, ACancelledOrRefusedCreationLeavesNoFileAndCreatingAgainNoChange)
{
    {
        StKeychainPath path;
        ASSERT_TRUE(path.FileMissing());
        ClipKeychain keychain(nullptr);
        mPasswords.AddStatus(userCanceledErr);
        EXPECT_EQ(keychain.CreateNewKeychain(path.Get()), userCanceledErr);
        ScriptedPasswords::Remove();
        EXPECT_EQ(keychain.CreateNewKeychain(path.Get()), errSecInteractionNotAllowed) << "nobody to ask";
        EXPECT_FALSE(fs::exists(KeychainPath()));
        EXPECT_EQ(keychain.GetStatus(), 0u);
        mPasswords.Install();
    }

    CreateKeychain();
    ClipKeychain keychain(KeychainPath().c_str());
    ASSERT_EQ(keychain.AddSecureNote(CFSTR("Kept"), "kept", 4), noErr);
    const std::string before = testsupport::ReadFile(KeychainPath());

    mPasswords.Add("another password");
    EXPECT_EQ(keychain.CreateNewKeychain(KeychainPath().c_str()), errSecDuplicateKeychain);
    EXPECT_EQ(testsupport::ReadFile(KeychainPath()), before);
    EXPECT_EQ(keychain.GetStatus(), 0u) << "a failed creation leaves the object without a keychain";

    ClipKeychain again(KeychainPath().c_str());
    EXPECT_EQ(ReadNote(again, CFSTR("Kept")), "kept");
    EXPECT_EQ(again.Lock(), noErr);
}

// What the keychain file may turn into between two menus: every operation answers a status or
// nothing, and the file is left exactly as it was found.
TEST_F(ClipKeychainTest, ADamagedKeychainFileIsAnsweredAndNeverRewritten)
{
    CreateKeychain("pw");
    {
        ClipKeychain keychain(KeychainPath().c_str());
        ASSERT_EQ(keychain.AddSecureNote(CFSTR("Note"), "payload", 7), noErr);
    }
    const std::string whole = testsupport::ReadFile(KeychainPath());
    ASSERT_GT(whole.size(), 64u);
    // Every kind of damage is the keychain file reader's own test; here a cut file and an empty one.
    const std::string damaged[] = {whole.substr(0, whole.size() / 2), std::string()};
    for (const std::string& contents : damaged) {
        testsupport::WriteFile(KeychainPath(), contents);
        mPasswords.Add("pw");
        ClipKeychain keychain(KeychainPath().c_str());
        EXPECT_EQ(keychain.GetStatus(), 0u);
        EXPECT_NE(keychain.Unlock(), noErr);
        EXPECT_EQ(ReadNote(keychain, CFSTR("Note")), "<none>");
        EXPECT_NE(keychain.AddSecureNote(CFSTR("New"), "x", 1), noErr);
        EXPECT_NE(keychain.DeleteSecureNote(CFSTR("Note")), noErr);
        EXPECT_NE(keychain.SetLockInterval(300), noErr);
        keychain.Lock();
        EXPECT_EQ(testsupport::ReadFile(KeychainPath()), contents) << "a damaged file is never rewritten";
    }

    // A folder where the file should be.
    fs::remove(KeychainPath());
    fs::create_directory(KeychainPath());
    ClipKeychain keychain(KeychainPath().c_str());
    EXPECT_EQ(keychain.GetStatus(), 0u);
    EXPECT_NE(keychain.Unlock(), noErr);
    EXPECT_NE(keychain.AddSecureNote(CFSTR("New"), "x", 1), noErr);
    EXPECT_TRUE(fs::is_directory(KeychainPath()));
    fs::remove(KeychainPath());
}

}  // namespace
}  // namespace keychaintest
