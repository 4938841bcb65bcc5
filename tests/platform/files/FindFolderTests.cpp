// The user's application-support folder is $XDG_DATA_HOME, made private when it has to be made.
#include "FilesTestSupport.h"
#include "support/ScopedVariable.h"

#include <cstdlib>

namespace filestest {
namespace {

class SpecialFolderTest : public testing::Test {
protected:
    testsupport::ScopedStorageEnvironment mEnvironment;
};

TEST_F(SpecialFolderTest, CreatesTheMissingFolderAndItsParentsPrivately)
{
    std::string data = mEnvironment.root() + "/new/share";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    FSRef found;
    EXPECT_EQ(fnfErr, FSFindFolder(kUserDomain, kApplicationSupportFolderType, kDontCreateFolder, &found));
    EXPECT_FALSE(Exists(data));

    ASSERT_EQ(noErr, FSFindFolder(kUserDomain, kApplicationSupportFolderType, kCreateFolder, &found));
    EXPECT_EQ(0700u, ModeOf(mEnvironment.root() + "/new"));
    EXPECT_EQ(0700u, ModeOf(data));
    char* real = ::realpath(data.c_str(), nullptr);
    ASSERT_NE(nullptr, real);
    EXPECT_EQ(std::string(real), PathOf(found));
    std::free(real);

    FSRef again;
    ASSERT_EQ(noErr, FSFindFolder(kOnSystemDisk, kApplicationSupportFolderType, kDontCreateFolder, &again));
    EXPECT_EQ(PathOf(found), PathOf(again));
    FSRef clips;
    FSCatalogInfo hint{};
    EXPECT_EQ(noErr, FSCreateDirectoryUnicode(&found, 9, Units(u"Stashwell"), kFSCatInfoTextEncoding, &hint, &clips,
                                              nullptr, nullptr));
    EXPECT_EQ(0700u, ModeOf(data + "/Stashwell"));
}

TEST_F(SpecialFolderTest, ARelativeOrMissingSettingMeansTheHomeFolder)
{
    std::string home = mEnvironment.root() + "/home";
    testsupport::ScopedVariable homeFolder("HOME", home);
    ::setenv("XDG_DATA_HOME", "relative/share", 1);
    FSRef found;
    ASSERT_EQ(noErr, FSFindFolder(kUserDomain, kApplicationSupportFolderType, kCreateFolder, &found));
    std::string path = PathOf(found);
    EXPECT_EQ(0700u, ModeOf(home + "/.local/share"));
    EXPECT_EQ("/.local/share", path.substr(path.size() - 13));
}

TEST_F(SpecialFolderTest, OtherFoldersAreNotKnown)
{
    FSRef found;
    EXPECT_EQ(fnfErr, FSFindFolder(kUserDomain, 'pref', kCreateFolder, &found));
    EXPECT_EQ(fnfErr, FSFindFolder(-100, kApplicationSupportFolderType, kCreateFolder, &found));
    EXPECT_EQ(paramErr, FSFindFolder(kUserDomain, kApplicationSupportFolderType, kCreateFolder, nullptr));

    // A file where the folder should be is not a folder.
    std::string data = mEnvironment.root() + "/plain";
    testsupport::WriteFile(data, "x");
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    EXPECT_EQ(dirNFErr, FSFindFolder(kUserDomain, kApplicationSupportFolderType, kCreateFolder, &found));
}

}  // namespace
}  // namespace filestest
