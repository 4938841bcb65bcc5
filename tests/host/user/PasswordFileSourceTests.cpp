// The password file of --password-file: what it answers, which files it refuses, and how a
// password that a keychain keeps turning down ends as a cancel instead of failing for ever.
#include "user/PasswordFileSource.h"

#include "support/TempDir.h"

#include <PlatformHost.h>
#include <Security/SecBase.h>

#include <gtest/gtest.h>

namespace {

using cmhost::PasswordFileSource;

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
    void TearDown() override { EXPECT_EQ(PlatformLiveObjectCount(), mLiveObjects); }

    std::optional<PasswordFileSource> Load(const std::string& contents)
    {
        const std::string path = mFolder.Child("password");
        testsupport::WriteFile(path, contents);
        platform::Result<PasswordFileSource> source = PasswordFileSource::Load(path);
        EXPECT_TRUE(source.Ok()) << source.Reason();
        return source.Ok() ? std::optional<PasswordFileSource>(std::move(source.Value())) : std::nullopt;
    }

    testsupport::ScopedTempDir mFolder;
    const long mLiveObjects = PlatformLiveObjectCount();
};

TEST_F(PasswordFileTest, OneFinalNewlineIsLeftOutAndAnEmptyPasswordMakesNoKeychain)
{
    struct Case {
        std::string contents;
        std::string expected;
    };
    const Case cases[] = {
        {"hunter2\n", "hunter2"},   {"hunter2", "hunter2"},     {"two\n\n", "two\n"},
        {" spaced \r\n", " spaced \r"}, {"", ""},               {"\n", ""},
        {std::string("nul\0byte", 8), std::string("nul\0byte", 8)},
    };
    for (const Case& row : cases) {
        std::optional<PasswordFileSource> source = Load(row.contents);
        ASSERT_TRUE(source.has_value());
        Answer unlock = Ask(*source, kPlatformPasswordUnlock, "/k", 1);
        EXPECT_EQ(unlock.status, noErr);
        EXPECT_EQ(unlock.password, row.expected) << testing::PrintToString(row.contents);
        // A file cannot be asked again: an empty password ends the creation.
        Answer create = Ask(*source, kPlatformPasswordCreate, "/k", 1);
        EXPECT_EQ(create.status, row.expected.empty() ? userCanceledErr : noErr) << testing::PrintToString(row.contents);
        EXPECT_EQ(create.password, row.expected.empty() ? "" : row.expected);
    }
}

TEST_F(PasswordFileTest, UnreadableAndOversizedFilesAreRefusedWithTheReason)
{
    const std::string error = PasswordFileSource::Load(mFolder.Child("missing")).Reason();
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_NE(error.find("--password-file"), std::string::npos) << error;

    EXPECT_FALSE(PasswordFileSource::Load(mFolder.path()).Ok()) << "a folder";

    // The room a prompt gives, exactly, with or without the final newline; one byte more is refused.
    const std::string fits(kPlatformPasswordCapacity, 'p');
    for (const std::string& contents : {fits, fits + "\n"}) {
        testsupport::WriteFile(mFolder.Child("long"), contents);
        platform::Result<PasswordFileSource> source = PasswordFileSource::Load(mFolder.Child("long"));
        ASSERT_TRUE(source.Ok()) << source.Reason();
        EXPECT_EQ(Ask(source.Value(), kPlatformPasswordUnlock, "/k", 1).password.size(), fits.size());
    }
    testsupport::WriteFile(mFolder.Child("long"), fits + "p");
    EXPECT_NE(PasswordFileSource::Load(mFolder.Child("long")).Reason().find("1024"), std::string::npos);
    testsupport::WriteFile(mFolder.Child("long"), fits + "p\n");
    EXPECT_FALSE(PasswordFileSource::Load(mFolder.Child("long")).Ok());
}

// Each refusal shows as the next attempt of one unlock; once three have been given, the
// keychain's caller trying again is cancelled instead of failing for ever.
TEST_F(PasswordFileTest, ThreeRefusalsOfTheSameAnswerCancelTheNextPrompt)
{
    struct Step {
        PlatformPasswordRequestKind kind;
        const char* keychain;
        UInt32 attempt;
        OSStatus status;
    };
    constexpr auto kUnlock = kPlatformPasswordUnlock;
    const Step steps[] = {
        {kUnlock, "/a", 1, noErr}, {kUnlock, "/a", 2, noErr}, {kUnlock, "/a", 3, noErr},
        {kUnlock, "/a", 1, userCanceledErr}, {kUnlock, "/a", 1, userCanceledErr},  // and stays cancelled
        // Another keychain has its own count; creating is never refused.
        {kUnlock, "/b", 1, noErr}, {kPlatformPasswordCreate, "/a", 1, noErr},
        // An unlock that asks more than three times is cancelled at its fourth prompt.
        {kUnlock, "/c", 1, noErr}, {kUnlock, "/c", 2, noErr}, {kUnlock, "/c", 3, noErr},
        {kUnlock, "/c", 4, userCanceledErr},
        // Unlocks that succeed on their first prompt never add up, and forget a refusal before them.
        {kUnlock, "/d", 1, noErr}, {kUnlock, "/d", 1, noErr}, {kUnlock, "/d", 1, noErr}, {kUnlock, "/d", 2, noErr},
        {kUnlock, "/d", 1, noErr}, {kUnlock, "/d", 1, noErr}, {kUnlock, "/d", 2, noErr}, {kUnlock, "/d", 3, noErr},
        {kUnlock, "/d", 1, userCanceledErr},
    };
    std::optional<PasswordFileSource> source = Load("wrong\n");
    ASSERT_TRUE(source.has_value());
    int index = 0;
    for (const Step& step : steps)
        EXPECT_EQ(Ask(*source, step.kind, step.keychain, step.attempt).status, step.status) << "step " << index++;
}

}  // namespace
