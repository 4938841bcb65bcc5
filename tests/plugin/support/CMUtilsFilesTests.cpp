// Deleting files and folder trees: locked items, nested folders, links to elsewhere, and a
// deletion that fails halfway.
#include "support/CMUtilsFiles.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>


namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

FSRef RefOf(const std::string& path)
{
    FSRef ref = {};
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, nullptr), noErr) << path;
    return ref;
}

void Lock(const std::string& path)
{
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

class CMUtilsFilesTest : public testing::Test {
protected:
    std::string Path(const std::string& relative) const { return mDir.Child(relative); }

    // The item of that name in the folder at that path (a link stays the link itself).
    FSRef ChildRef(const std::string& folder, const std::u16string& name)
    {
        FSRef parent = RefOf(folder);
        FSRef child = {};
        EXPECT_EQ(FSMakeFSRefUnicode(&parent, name.size(), reinterpret_cast<const UniChar*>(name.data()), 0, &child),
                  noErr);
        return child;
    }

    // top/ with locked files at two depths, a folder two levels deep, and a locked empty folder.
    void MakeTree()
    {
        fs::create_directories(Path("top/one/two"));
        fs::create_directories(Path("top/empty"));
        WriteFile(Path("top/file"), "f");
        WriteFile(Path("top/one/two/deep"), "d");
        WriteFile(Path("top/one/two/locked"), "l");
        Lock(Path("top/file"));
        Lock(Path("top/one/two/locked"));
        Lock(Path("top/empty"));
    }

    testsupport::ScopedTempDir mDir;
};

TEST_F(CMUtilsFilesTest, AFolderOrAFileGoesWithEverythingInItLockedOrNot)
{
    MakeTree();
    FSRef top = RefOf(Path("top"));
    EXPECT_EQ(CMUtils::DeleteObject(&top), noErr);
    EXPECT_FALSE(fs::exists(Path("top")));

    WriteFile(Path("single"), "s");
    Lock(Path("single"));
    FSRef single = RefOf(Path("single"));
    EXPECT_EQ(CMUtils::DeleteObject(&single), noErr);
    EXPECT_FALSE(fs::exists(Path("single")));
    EXPECT_EQ(CMUtils::DeleteObject(nullptr), paramErr);
}

TEST_F(CMUtilsFilesTest, EmptyingAFolderKeepsTheFolder)
{
    MakeTree();
    FSRef top = RefOf(Path("top"));
    EXPECT_EQ(CMUtils::FSDeleteContainerContents(&top), noErr);
    EXPECT_TRUE(fs::is_directory(Path("top")));
    EXPECT_TRUE(fs::is_empty(Path("top")));
}

TEST_F(CMUtilsFilesTest, LinksAreDeletedNotFollowed)
{
    fs::create_directories(Path("elsewhere/sub"));
    WriteFile(Path("elsewhere/sub/precious"), "p");
    fs::create_directories(Path("tree"));
    fs::create_symlink(Path("elsewhere"), Path("tree/folder-link"));
    fs::create_symlink(Path("elsewhere/sub/precious"), Path("tree/file-link"));
    FSRef tree = RefOf(Path("tree"));
    EXPECT_EQ(CMUtils::DeleteObject(&tree), noErr);
    EXPECT_FALSE(fs::exists(Path("tree")));
    EXPECT_EQ(ReadFile(Path("elsewhere/sub/precious")), "p");

    fs::create_symlink(Path("elsewhere"), Path("alone"));
    FSRef alone = ChildRef(mDir.path(), u"alone");
    EXPECT_EQ(CMUtils::DeleteObject(&alone), noErr);
    EXPECT_FALSE(fs::exists(fs::symlink_status(Path("alone"))));
    EXPECT_EQ(ReadFile(Path("elsewhere/sub/precious")), "p");
}

TEST_F(CMUtilsFilesTest, AnItemThatCannotGoStopsTheDeletionWithItsStatus)
{
    // A locked folder is unlocked only once it is empty, so its items cannot be deleted: the File
    // Manager refuses to change a locked folder, whoever asks.
    fs::create_directories(Path("top/stuck"));
    WriteFile(Path("top/stuck/child"), "c");
    Lock(Path("top/stuck"));
    FSRef top = RefOf(Path("top"));
    EXPECT_EQ(CMUtils::DeleteObject(&top), permErr);
    EXPECT_EQ(ReadFile(Path("top/stuck/child")), "c");
    EXPECT_TRUE(fs::is_directory(Path("top/stuck")));
    EXPECT_TRUE(fs::is_directory(Path("top")));

    FSRef stuck = RefOf(Path("top/stuck"));
    EXPECT_EQ(CMUtils::FSDeleteContainerContents(&stuck), permErr);
    EXPECT_EQ(ReadFile(Path("top/stuck/child")), "c");
}

}  // namespace
