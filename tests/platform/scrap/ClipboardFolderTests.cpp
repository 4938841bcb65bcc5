// Where the clipboard lives, and the folders it refuses: without XDG_RUNTIME_DIR it falls back to
// a folder in /tmp, where anyone could have put something in its place first.
#include "ScrapTestSupport.h"

#include "SecretHandout.h"
#include "scrap/ClipboardFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

namespace {

using namespace scraptest;

class FallbackFolder : public testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            mSavedRuntime = old;
        }
        unsetenv("XDG_RUNTIME_DIR");
        platform::scrap::SetFallbackParentForTesting(mParent.path());
        platform::scrap::SetSessionFoldersParentForTesting(mParent.Child("run-user"));
    }
    void TearDown() override
    {
        platform::scrap::SetFallbackParentForTesting("");
        platform::scrap::SetSessionFoldersParentForTesting("");
        if (mSavedRuntime) {
            setenv("XDG_RUNTIME_DIR", mSavedRuntime->c_str(), 1);
        }
    }
    std::string Folder() const { return mParent.Child("clipboard-" + std::to_string(getuid())); }

    void ExpectRefused(const std::string& reasonPart)
    {
        ScrapRef scrap = nullptr;
        EXPECT_NE(GetCurrentScrap(&scrap), noErr);
        std::string reason = LastClipboardError();
        EXPECT_NE(reason.find(Folder()), std::string::npos) << reason;
        EXPECT_NE(reason.find(reasonPart), std::string::npos) << reason;
        EXPECT_NE(ClearCurrentScrap(), noErr);
        struct stat info {};
        EXPECT_NE(lstat((Folder() + "/current").c_str(), &info), 0) << "nothing may be written into a refused folder";
    }

    testsupport::ScopedTempDir mParent;
    std::optional<std::string> mSavedRuntime;
};

TEST_F(FallbackFolder, AMissingFolderIsMadePrivate)
{
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr) << LastClipboardError();
    ASSERT_EQ(PutString(scrap, 'TEXT', "fallback"), noErr);
    struct stat info {};
    ASSERT_EQ(lstat(Folder().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, getuid());
}

TEST_F(FallbackFolder, AFolderOthersCanEnterIsRefused)
{
    ASSERT_EQ(mkdir(Folder().c_str(), 0700), 0);
    ASSERT_EQ(chmod(Folder().c_str(), 0755), 0);
    ExpectRefused("0755");
    // Once its owner makes it private again, it is used.
    ASSERT_EQ(chmod(Folder().c_str(), 0700), 0);
    ScrapRef scrap = nullptr;
    EXPECT_EQ(GetCurrentScrap(&scrap), noErr) << LastClipboardError();
    EXPECT_EQ(LastClipboardError(), "");
}

TEST_F(FallbackFolder, AFolderOfAnotherUserIsRefused)
{
    ASSERT_EQ(mkdir(Folder().c_str(), 0700), 0);
    if (chown(Folder().c_str(), getuid() + 1, static_cast<gid_t>(-1)) != 0) {
        GTEST_SKIP() << "giving a folder to another user needs privileges this test does not have";
    }
    ExpectRefused("belongs to user " + std::to_string(getuid() + 1));
}

TEST_F(FallbackFolder, ALinkInTheFolderPlaceIsRefused)
{
    std::string elsewhere = mParent.Child("elsewhere");
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), Folder().c_str()), 0);
    ExpectRefused("not a folder");
    struct stat info {};
    EXPECT_NE(lstat((elsewhere + "/current").c_str(), &info), 0);
}

TEST_F(FallbackFolder, ARelativeRuntimeFolderIsIgnored)
{
    setenv("XDG_RUNTIME_DIR", "relative/runtime", 1);
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr) << LastClipboardError();
    struct stat info {};
    EXPECT_EQ(lstat((Folder() + "/current").c_str(), &info), 0);
    unsetenv("XDG_RUNTIME_DIR");
}

// Without XDG_RUNTIME_DIR the session's own private folder (/run/user/<uid>) is used when there is
// one; only without it does the clipboard go to /tmp, which may be on a disk and outlives the
// session: a secret is never put there.
TEST_F(FallbackFolder, TheSessionFolderComesBeforeTmpWhichNeverHoldsASecret)
{
    ASSERT_EQ(ClearCurrentScrap(), noErr) << LastClipboardError();
    platform::NoteSecretHandedOut();
    EXPECT_NE(ClearCurrentScrap(), noErr);
    EXPECT_NE(LastClipboardError().find("a secret is never put on a clipboard kept in /tmp"), std::string::npos)
        << LastClipboardError();

    const std::string session = mParent.Child("run-user/" + std::to_string(getuid()));
    ASSERT_EQ(mkdir(mParent.Child("run-user").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(session.c_str(), 0700), 0);
    platform::NoteSecretHandedOut();
    ASSERT_EQ(ClearCurrentScrap(), noErr) << LastClipboardError();
    ScrapRef scrap = nullptr;
    ASSERT_EQ(GetCurrentScrap(&scrap), noErr);
    ASSERT_EQ(PutString(scrap, 'TEXT', "in the session"), noErr);
    struct stat info {};
    EXPECT_EQ(lstat((session + "/clipboard/current").c_str(), &info), 0);
}

TEST(RuntimeClipboardFolder, AnOpenedUpOrMissingFolderIsReported)
{
    testsupport::ScopedStorageEnvironment storage;
    std::string folder = storage.RuntimeDir() + "/clipboard";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0770), 0);
    ScrapRef scrap = nullptr;
    EXPECT_EQ(GetCurrentScrap(&scrap), permErr);
    EXPECT_NE(LastClipboardError().find("0770"), std::string::npos) << LastClipboardError();

    setenv("XDG_RUNTIME_DIR", (storage.root() + "/no-such-folder").c_str(), 1);
    EXPECT_EQ(GetCurrentScrap(&scrap), fnfErr);
    EXPECT_NE(LastClipboardError().find("no-such-folder"), std::string::npos) << LastClipboardError();
}

}  // namespace
