// The password file of --password-file: what it answers, which files it refuses, and how a
// password that a keychain keeps turning down ends as a cancel instead of failing for ever.
#include "PasswordFileSource.h"

#include "support/TempDir.h"

#include <Security/Security.h>

#include <gtest/gtest.h>

namespace {

using cmhost::PasswordFileSource;
using cmhost::ScopedPasswordSource;

struct Answer {
    OSStatus status;
    std::string password;
};

Answer Ask(PasswordFileSource& source, PlatformPasswordRequestKind kind, const char* keychain, UInt32 attempt)
{
    char buffer[kPlatformPasswordCapacity];
    UInt32 length = 0;
    PlatformPasswordRequest request{kind, keychain, attempt};
    OSStatus status = source.Answer(request, buffer, sizeof buffer, &length);
    return Answer{status, std::string(buffer, status == noErr ? length : 0)};
}

class PasswordFileTest : public testing::Test {
protected:
    std::optional<PasswordFileSource> Load(const std::string& contents)
    {
        const std::string path = mFolder.Child("password");
        testsupport::WriteFile(path, contents);
        std::string error;
        std::optional<PasswordFileSource> source = PasswordFileSource::Load(path, error);
        EXPECT_TRUE(source.has_value()) << error;
        return source;
    }

    testsupport::ScopedTempDir mFolder;
};

TEST_F(PasswordFileTest, OneFinalNewlineIsLeftOutAndNothingElse)
{
    const std::pair<std::string, std::string> cases[] = {
        {"hunter2\n", "hunter2"},   {"hunter2", "hunter2"},     {"two\n\n", "two\n"},
        {" spaced \r\n", " spaced \r"}, {"", ""},               {"\n", ""},
        {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
    };
    for (const auto& [contents, expected] : cases) {
        std::optional<PasswordFileSource> source = Load(contents);
        ASSERT_TRUE(source.has_value());
        Answer answer = Ask(*source, kPlatformPasswordCreate, "/k", 1);
        EXPECT_EQ(answer.status, noErr);
        EXPECT_EQ(answer.password, expected) << testing::PrintToString(contents);
    }
}

TEST_F(PasswordFileTest, UnreadableAndOversizedFilesAreRefusedWithTheReason)
{
    std::string error;
    EXPECT_FALSE(PasswordFileSource::Load(mFolder.Child("missing"), error).has_value());
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_NE(error.find("--password-file"), std::string::npos) << error;

    EXPECT_FALSE(PasswordFileSource::Load(mFolder.path(), error).has_value()) << "a folder";

    // The room a prompt gives, exactly, with or without the final newline; one byte more is refused.
    const std::string fits(kPlatformPasswordCapacity, 'p');
    for (const std::string& contents : {fits, fits + "\n"}) {
        testsupport::WriteFile(mFolder.Child("long"), contents);
        std::optional<PasswordFileSource> source = PasswordFileSource::Load(mFolder.Child("long"), error);
        ASSERT_TRUE(source.has_value()) << error;
        EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/k", 1).password.size(), fits.size());
    }
    testsupport::WriteFile(mFolder.Child("long"), fits + "p");
    EXPECT_FALSE(PasswordFileSource::Load(mFolder.Child("long"), error).has_value());
    EXPECT_NE(error.find("1024"), std::string::npos) << error;
    testsupport::WriteFile(mFolder.Child("long"), fits + "p\n");
    EXPECT_FALSE(PasswordFileSource::Load(mFolder.Child("long"), error).has_value());
}

TEST_F(PasswordFileTest, ThreeRefusalsOfTheSameAnswerCancelTheNextPrompt)
{
    std::optional<PasswordFileSource> source = Load("wrong\n");
    // One unlock asking three times (each refusal shows as the next attempt), then the keychain's
    // caller trying again: the third refusal is known, and the prompt is cancelled.
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 1).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 2).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 3).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 1).status, userCanceledErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 1).status, userCanceledErr) << "and stays cancelled";
    // Another keychain has its own count; creating is never refused.
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/b", 1).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordCreate, "/a", 1).status, noErr);

    // An unlock that asks more than three times is cancelled at its fourth prompt.
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/c", 1).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/c", 2).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/c", 3).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/c", 4).status, userCanceledErr);
}

TEST_F(PasswordFileTest, UnlocksThatSucceedNeverAddUp)
{
    std::optional<PasswordFileSource> source = Load("right");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 1).status, noErr) << i;
    // A refusal in between is forgotten once an unlock goes through on its first prompt.
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 2).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 1).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 1).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 2).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 3).status, noErr);
    EXPECT_EQ(Ask(*source, kPlatformPasswordUnlock, "/a", 1).status, userCanceledErr);
}

// With a real keychain: the installed source answers its prompts and counts the answers.
class PasswordFileKeychainTest : public PasswordFileTest {
protected:
    void SetUp() override
    {
        PlatformSetKeychainCreationCostForTesting(1, 8192 * 1024);
        mPath = mStorage.DataHome() + "/test.keychain";
        SecKeychainRef keychain = nullptr;
        ASSERT_EQ(SecKeychainCreate(mPath.c_str(), 5, "right", false, nullptr, &keychain), noErr);
        SecKeychainLock(keychain);
        mKeychain = keychain;
    }
    void TearDown() override
    {
        if (mKeychain != nullptr) {
            SecKeychainLock(mKeychain);
            CFRelease(mKeychain);
        }
        PlatformSetKeychainCreationCostForTesting(0, 0);
    }

    testsupport::ScopedStorageEnvironment mStorage;
    std::string mPath;
    SecKeychainRef mKeychain = nullptr;
};

TEST_F(PasswordFileKeychainTest, TheRightPasswordUnlocksWithOnePrompt)
{
    std::optional<PasswordFileSource> source = Load("right\n");
    ScopedPasswordSource installed(*source);
    EXPECT_EQ(SecKeychainUnlock(mKeychain, 0, nullptr, false), noErr);
    EXPECT_EQ(installed.Answered(), 1);
}

TEST_F(PasswordFileKeychainTest, AWrongPasswordFailsThenIsCancelled)
{
    std::optional<PasswordFileSource> source = Load("wrong");
    {
        ScopedPasswordSource installed(*source);
        EXPECT_EQ(SecKeychainUnlock(mKeychain, 0, nullptr, false), errSecAuthFailed);
        EXPECT_EQ(installed.Answered(), 3);
        EXPECT_EQ(SecKeychainUnlock(mKeychain, 0, nullptr, false), userCanceledErr);
        EXPECT_EQ(installed.Answered(), 3);
    }
    // Removed with its owner: nobody answers now.
    EXPECT_EQ(SecKeychainUnlock(mKeychain, 0, nullptr, false), errSecInteractionNotAllowed);
}

}  // namespace
