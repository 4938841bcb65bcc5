// Symbolic links inside the tree are items of their own and are never followed: not as a folder
// to look in or create in, not as a file to open, not when deleting or iterating.
#include "FilesTestSupport.h"

#include <unistd.h>

namespace filestest {
namespace {

class ContainmentTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        // A folder and a file outside the tree, and links to them inside it.
        testsupport::WriteFile(mOutside.Child("secret"), "keep me");
        ASSERT_EQ(0, ::symlink(mOutside.path().c_str(), mDir.Child("folderLink").c_str()));
        ASSERT_EQ(0, ::symlink(mOutside.Child("secret").c_str(), mDir.Child("fileLink").c_str()));
        ASSERT_EQ(noErr, Lookup(mRoot, u"folderLink", &mFolderLink));
        ASSERT_EQ(noErr, Lookup(mRoot, u"fileLink", &mFileLink));
    }

    testsupport::ScopedTempDir mOutside;
    FSRef mFolderLink{};
    FSRef mFileLink{};
};

TEST_F(ContainmentTest, ALinkIsNotAFolderAndHasNoForkToOpen)
{
    EXPECT_EQ(0, FlagsOf(mFolderLink));
    FSRef ref;
    EXPECT_EQ(dirNFErr, Lookup(mFolderLink, u"secret", &ref));
    EXPECT_EQ(dirNFErr, CreateFile(mFolderLink, u"planted", &ref));
    EXPECT_EQ(dirNFErr, CreateFolder(mFolderLink, u"planted", &ref));
    FSIterator iterator = nullptr;
    EXPECT_EQ(errFSNotAFolder, FSOpenIterator(&mFolderLink, kFSIterateDelete, &iterator));
    EXPECT_EQ(nullptr, iterator);
    EXPECT_FALSE(Exists(mOutside.Child("planted")));

    FSIORefNum fork = 0;
    EXPECT_EQ(notAFileErr, FSOpenFork(&mFileLink, 0, nullptr, fsRdWrPerm, &fork));
    EXPECT_EQ(notAFileErr, FSOpenFork(&mFileLink, 0, nullptr, fsRdPerm, &fork));
    CFURLRef url = CFURLCreateFromFSRef(nullptr, &mFileLink);
    ASSERT_NE(nullptr, url);
    CFDataRef data = nullptr;
    SInt32 error = 0;
    EXPECT_FALSE(CFURLCreateDataAndPropertiesFromResource(nullptr, url, &data, nullptr, nullptr, &error));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(kCFURLResourceAccessViolationError, error);
    CFRelease(url);
}

TEST_F(ContainmentTest, DeletingALinkKeepsItsTarget)
{
    // A link is never locked (its own mode means nothing) and cannot be locked.
    EXPECT_EQ(permErr, SetLocked(mFileLink, true));
    EXPECT_EQ(noErr, SetLocked(mFileLink, false));
    EXPECT_EQ(0600u, ModeOf(mOutside.Child("secret")) & 0600u);

    EXPECT_EQ(noErr, FSDeleteObject(&mFolderLink));
    EXPECT_EQ(noErr, FSDeleteObject(&mFileLink));
    EXPECT_FALSE(Exists(mDir.Child("folderLink")));
    EXPECT_FALSE(Exists(mDir.Child("fileLink")));
    EXPECT_EQ("keep me", testsupport::ReadFile(mOutside.Child("secret")));
}

TEST_F(ContainmentTest, AFolderSwappedForALinkIsGone)
{
    FSRef folder, ref;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"Package", &folder));
    ASSERT_EQ(0, ::rmdir(mDir.Child("Package").c_str()));
    ASSERT_EQ(0, ::symlink(mOutside.path().c_str(), mDir.Child("Package").c_str()));
    EXPECT_EQ(fnfErr, Lookup(folder, u"secret", &ref));
    EXPECT_EQ(fnfErr, CreateFile(folder, u"planted", &ref));
    EXPECT_EQ(fnfErr, FSDeleteObject(&folder));
    FSIterator iterator = nullptr;
    EXPECT_EQ(fnfErr, FSOpenIterator(&folder, kFSIterateDelete, &iterator));
    EXPECT_FALSE(Exists(mOutside.Child("planted")));
    EXPECT_TRUE(Exists(mOutside.Child("secret")));
}

}  // namespace
}  // namespace filestest
