// Folder iteration with deletion of each item as it is returned (the way a folder is emptied
// before it is deleted), items gone before their turn, and what cannot be iterated.
#include "FilesTestSupport.h"

#include <unistd.h>

namespace filestest {
namespace {

class FolderIteratorTest : public FilesTest {
protected:
    testsupport::ScopedTempDir mOutside;
};

// Deletes everything in a folder the way the plug-in's recursive deletion does: one item at a
// time through an iterator opened for deletion, sub-folders first, locks cleared.
OSErr DeleteContents(const FSRef& folder)
{
    FSIterator iterator = nullptr;
    OSErr status = FSOpenIterator(&folder, kFSIterateDelete, &iterator);
    if (status != noErr) {
        return status;
    }
    while (status == noErr) {
        ItemCount count = 0;
        FSCatalogInfo info{};
        FSRef item;
        status = FSGetCatalogInfoBulk(iterator, 1, &count, nullptr, kFSCatInfoNodeFlags, &info, &item, nullptr,
                                      nullptr);
        if (status != noErr) {
            break;
        }
        if ((info.nodeFlags & kFSNodeIsDirectoryMask) != 0 && (status = DeleteContents(item)) != noErr) {
            break;
        }
        if ((info.nodeFlags & kFSNodeLockedMask) != 0) {
            info.nodeFlags &= ~kFSNodeLockedMask;
            FSSetCatalogInfo(&item, kFSCatInfoNodeFlags, &info);
        }
        status = FSDeleteObject(&item);
    }
    FSCloseIterator(iterator);
    return status == errFSNoMoreItems ? OSErr{noErr} : status;
}

TEST_F(FolderIteratorTest, DeletingEachItemAsItComesEmptiesTheFolder)
{
    FSRef package, sub, deeper, ref;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"Package", &package));
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(noErr, CreateFile(package, U16("file" + std::to_string(i)), &ref));
        if (i % 7 == 0) {
            ASSERT_EQ(noErr, SetLocked(ref, true));
        }
    }
    ASSERT_EQ(noErr, CreateFolder(package, u"sub", &sub));
    ASSERT_EQ(noErr, CreateFolder(sub, u"deeper", &deeper));
    ASSERT_EQ(noErr, CreateFile(deeper, u"PICT", &ref));
    ASSERT_EQ(0, ::symlink(mOutside.path().c_str(), mDir.Child("Package/link").c_str()));
    testsupport::WriteFile(mOutside.Child("kept"), "x");
    // A name another program wrote that is not UTF-8 is still reached through the iterator.
    testsupport::WriteFile(mDir.Child("Package/\xff\xfe"), "y");

    EXPECT_EQ(noErr, DeleteContents(package));
    EXPECT_EQ(noErr, FSDeleteObject(&package));
    EXPECT_FALSE(Exists(mDir.Child("Package")));
    EXPECT_EQ("x", testsupport::ReadFile(mOutside.Child("kept")));
}

TEST_F(FolderIteratorTest, AFailureInsideStopsTheDeletionAndLeavesTheRest)
{
    FSRef package, sub, ref;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"Package", &package));
    ASSERT_EQ(noErr, CreateFolder(package, u"sub", &sub));
    ASSERT_EQ(noErr, CreateFile(sub, u"inside", &ref));
    ASSERT_EQ(noErr, SetLocked(sub, true));  // a locked folder takes no deletions inside it

    EXPECT_EQ(permErr, DeleteContents(package));
    EXPECT_TRUE(Exists(mDir.Child("Package/sub/inside")));
}

TEST_F(FolderIteratorTest, ItemsGoneBeforeTheirTurnAreSkipped)
{
    FSRef folder, ref;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"f", &folder));
    for (const char16_t* name : {u"a", u"b", u"c"}) {
        ASSERT_EQ(noErr, CreateFile(folder, name, &ref));
    }
    FSIterator iterator = nullptr;
    ASSERT_EQ(noErr, FSOpenIterator(&folder, kFSIterateDelete, &iterator));
    ASSERT_EQ(0, ::unlink(mDir.Child("f/b").c_str()));
    ASSERT_EQ(0, ::unlink(mDir.Child("f/c").c_str()));
    HFSUniStr255 names[4];
    ItemCount count = 0;
    ASSERT_EQ(noErr, FSGetCatalogInfoBulk(iterator, 4, &count, nullptr, kFSCatInfoNone, nullptr, nullptr, nullptr,
                                          names));
    ASSERT_EQ(1u, count);
    EXPECT_EQ(u"a", NameOf(names[0]));
    EXPECT_EQ(errFSNoMoreItems, FSGetCatalogInfoBulk(iterator, 4, &count, nullptr, kFSCatInfoNone, nullptr,
                                                     nullptr, nullptr, names));
    EXPECT_EQ(noErr, FSCloseIterator(iterator));
}

TEST_F(FolderIteratorTest, WhatCannotBeIteratedIsRefused)
{
    FSIterator iterator = nullptr;
    EXPECT_EQ(errFSBadIteratorFlags, FSOpenIterator(&mRoot, kFSIterateSubtree, &iterator));
    EXPECT_EQ(nullptr, iterator);
    FSRef file;
    ASSERT_EQ(noErr, CreateFile(mRoot, u"file", &file));
    EXPECT_EQ(errFSNotAFolder, FSOpenIterator(&file, kFSIterateFlat, &iterator));
    EXPECT_EQ(paramErr, FSCloseIterator(nullptr));

    ASSERT_EQ(noErr, FSOpenIterator(&mRoot, kFSIterateFlat, &iterator));
    ItemCount count = 0;
    EXPECT_EQ(paramErr, FSGetCatalogInfoBulk(iterator, 0, &count, nullptr, kFSCatInfoNone, nullptr, nullptr, nullptr,
                                             nullptr));
    EXPECT_EQ(noErr, FSCloseIterator(iterator));
}

}  // namespace
}  // namespace filestest
