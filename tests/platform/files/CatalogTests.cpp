// Creating, looking up and deleting items, their catalog information, and references that went
// stale or never were references.
#include "FilesTestSupport.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace filestest {
namespace {

using CatalogTest = FilesTest;

TEST_F(CatalogTest, NewItemsArePrivateWhateverTheUmask)
{
    mode_t old = ::umask(0);
    FSRef folder, file;
    OSErr folderStatus = CreateFolder(mRoot, u"Package", &folder);
    OSErr fileStatus = CreateFile(folder, u"TEXT", &file);
    ::umask(old);
    ASSERT_EQ(noErr, folderStatus);
    ASSERT_EQ(noErr, fileStatus);
    EXPECT_EQ(0700u, ModeOf(mDir.Child("Package")));
    EXPECT_EQ(0600u, ModeOf(mDir.Child("Package/TEXT")));
    EXPECT_EQ(PathOf(folder) + "/TEXT", PathOf(file));
    EXPECT_EQ(kFSNodeIsDirectoryMask, FlagsOf(folder));
    EXPECT_EQ(0, FlagsOf(file));

    FSRef found;
    ASSERT_EQ(noErr, Lookup(folder, u"TEXT", &found));
    EXPECT_EQ(PathOf(file), PathOf(found));
    EXPECT_EQ(fnfErr, Lookup(folder, u"utxt", &found));
}

// A name in use is a duplicate, and a file is no folder to create or look up items in.
TEST_F(CatalogTest, ExistingNamesAreDuplicatesAndItemsNeedAFolderToLiveIn)
{
    FSRef ref, file;
    ASSERT_EQ(noErr, CreateFile(mRoot, u"clip", &file));
    EXPECT_EQ(dirNFErr, Lookup(file, u"x", &ref));
    EXPECT_EQ(dirNFErr, CreateFile(file, u"x", &ref));
    EXPECT_EQ(dirNFErr, CreateFolder(file, u"x", &ref));
    EXPECT_EQ(dupFNErr, CreateFile(mRoot, u"clip", &ref));
    EXPECT_EQ(dupFNErr, CreateFolder(mRoot, u"clip", &ref));
    // A dangling link is a name in use too; creation never writes through it.
    ASSERT_EQ(0, ::symlink(mDir.Child("elsewhere").c_str(), mDir.Child("link").c_str()));
    EXPECT_EQ(dupFNErr, CreateFile(mRoot, u"link", &ref));
    EXPECT_FALSE(Exists(mDir.Child("elsewhere")));
}

TEST_F(CatalogTest, LockedFlagIsTheOwnerWriteBit)
{
    FSRef file, folder;
    ASSERT_EQ(noErr, CreateFile(mRoot, u"file", &file));
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"folder", &folder));

    ASSERT_EQ(noErr, SetLocked(file, true));
    EXPECT_EQ(0400u, ModeOf(mDir.Child("file")));
    EXPECT_EQ(kFSNodeLockedMask, FlagsOf(file));
    EXPECT_EQ(fLckdErr, FSDeleteObject(&file));
    EXPECT_TRUE(Exists(mDir.Child("file")));

    // Flags read and written back with the folder bit set change nothing but the lock.
    FSCatalogInfo info{};
    info.nodeFlags = kFSNodeIsDirectoryMask | kFSNodeLockedMask;
    ASSERT_EQ(noErr, FSSetCatalogInfo(&folder, kFSCatInfoNodeFlags, &info));
    EXPECT_EQ(0500u, ModeOf(mDir.Child("folder")));
    EXPECT_EQ(kFSNodeIsDirectoryMask | kFSNodeLockedMask, FlagsOf(folder));
    FSRef inside;
    EXPECT_EQ(permErr, CreateFile(folder, u"x", &inside));

    info.nodeFlags = kFSNodeIsDirectoryMask;
    ASSERT_EQ(noErr, FSSetCatalogInfo(&folder, kFSCatInfoNodeFlags, &info));
    ASSERT_EQ(noErr, SetLocked(file, false));
    EXPECT_EQ(0600u, ModeOf(mDir.Child("file")));
    EXPECT_EQ(noErr, FSDeleteObject(&file));
    EXPECT_EQ(noErr, FSDeleteObject(&folder));
    EXPECT_FALSE(Exists(mDir.Child("file")));

    EXPECT_EQ(paramErr, FSSetCatalogInfo(&mRoot, kFSCatInfoDataSizes, &info));
    EXPECT_EQ(paramErr, FSSetCatalogInfo(&mRoot, kFSCatInfoNodeFlags, nullptr));
}

TEST_F(CatalogTest, ItemsCanBeCreatedLocked)
{
    FSCatalogInfo info{};
    info.nodeFlags = kFSNodeLockedMask;
    FSRef file;
    ASSERT_EQ(noErr, FSCreateFileUnicode(&mRoot, 1, Units(u"f"), kFSCatInfoNodeFlags | kFSCatInfoTextEncoding,
                                         &info, &file, nullptr));
    EXPECT_EQ(0400u, ModeOf(mDir.Child("f")));
    FSIORefNum fork = 0;
    EXPECT_EQ(permErr, FSOpenFork(&file, 0, nullptr, fsRdWrPerm, &fork));
    EXPECT_EQ(permErr, FSOpenFork(&file, 0, nullptr, fsWrPerm, &fork));
    // Whatever the file allows: reading only.
    ASSERT_EQ(noErr, FSOpenFork(&file, 0, nullptr, fsCurPerm, &fork));
    ByteCount count = 0;
    EXPECT_EQ(wrPermErr, FSWriteFork(fork, fsFromStart, 0, 1, "x", &count));
    char byte = 0;
    EXPECT_EQ(eofErr, FSReadFork(fork, fsFromStart, 0, 1, &byte, &count));
    EXPECT_EQ(noErr, FSCloseFork(fork));
    EXPECT_EQ(paramErr, FSCreateFileUnicode(&mRoot, 1, Units(u"g"), kFSCatInfoDataSizes, &info, &file, nullptr));
    EXPECT_FALSE(Exists(mDir.Child("g")));
}

TEST_F(CatalogTest, OnlyEmptyFoldersAreDeleted)
{
    FSRef folder, file;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"folder", &folder));
    ASSERT_EQ(noErr, CreateFile(folder, u"file", &file));
    EXPECT_EQ(fBsyErr, FSDeleteObject(&folder));
    EXPECT_EQ(noErr, FSDeleteObject(&file));
    EXPECT_EQ(noErr, FSDeleteObject(&folder));
    EXPECT_FALSE(Exists(mDir.Child("folder")));
}

TEST_F(CatalogTest, CatalogInfoGivesSizesNameAndParent)
{
    FSRef folder, file;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"Package", &folder));
    ASSERT_EQ(noErr, CreateFile(folder, u"PICT", &file));
    WriteAll(file, std::string(10000, 'p'));

    FSCatalogInfo info{};
    info.textEncodingHint = 77;  // a field not asked for is left alone
    HFSUniStr255 name{};
    FSRef parent;
    ASSERT_EQ(noErr, FSGetCatalogInfo(&file, kFSCatInfoDataSizes | kFSCatInfoNodeFlags, &info, &name, nullptr,
                                      &parent));
    EXPECT_EQ(10000u, info.dataLogicalSize);
    EXPECT_GE(info.dataPhysicalSize, 8192u);
    EXPECT_EQ(77u, info.textEncodingHint);
    EXPECT_EQ(u"PICT", NameOf(name));
    EXPECT_EQ(PathOf(folder), PathOf(parent));

    ASSERT_EQ(noErr, FSGetCatalogInfo(&folder, kFSCatInfoDataSizes, &info, nullptr, nullptr, &parent));
    EXPECT_EQ(0u, info.dataLogicalSize);
    EXPECT_EQ(PathOf(mRoot), PathOf(parent));
    EXPECT_EQ(paramErr, FSGetCatalogInfo(&folder, kFSCatInfoNodeFlags, nullptr, nullptr, nullptr, nullptr));

    // The root folder has no parent: its parent reference names nothing.
    FSRef root;
    ASSERT_EQ(noErr, RefForPath("/", &root));
    ASSERT_EQ(noErr, FSGetCatalogInfo(&root, kFSCatInfoNone, nullptr, nullptr, nullptr, &parent));
    EXPECT_EQ(errFSBadFSRef, FSGetCatalogInfo(&parent, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(CatalogTest, StaleReferencesNameNothing)
{
    FSRef file;
    ASSERT_EQ(noErr, CreateFile(mRoot, u"clip", &file));
    FSRef copy = file;
    ASSERT_EQ(noErr, FSDeleteObject(&file));
    EXPECT_EQ(fnfErr, FSDeleteObject(&copy));
    EXPECT_EQ(fnfErr, FSGetCatalogInfo(&copy, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));

    // A new item of the same name is another item: the old reference does not reach it.
    FSRef again;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"clip", &again));
    FSIORefNum fork = 0;
    EXPECT_EQ(fnfErr, FSOpenFork(&copy, 0, nullptr, fsRdPerm, &fork));
    EXPECT_EQ(fnfErr, FSDeleteObject(&copy));
    EXPECT_EQ(nullptr, CFURLCreateFromFSRef(nullptr, &copy));
    UInt8 path[256];
    EXPECT_EQ(fnfErr, FSRefMakePath(&copy, path, sizeof path));
    EXPECT_TRUE(Exists(mDir.Child("clip")));
}

TEST_F(CatalogTest, BytesThatAreNoReferenceAreRefused)
{
    FSRef zero{};
    FSRef garbage;
    std::memset(garbage.hidden, 0xA5, sizeof garbage.hidden);
    FSRef tampered = mRoot;
    tampered.hidden[8] ^= 0x01;  // another index without the matching check
    FSRef padded = mRoot;
    padded.hidden[79] = 1;
    FSRef out;
    for (const FSRef* bad : {&zero, &garbage, &tampered, &padded}) {
        EXPECT_EQ(errFSBadFSRef, FSDeleteObject(bad));
        EXPECT_EQ(errFSBadFSRef, Lookup(*bad, u"x", &out));
        EXPECT_EQ(errFSBadFSRef, FSGetCatalogInfo(bad, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr));
    }
    EXPECT_EQ(paramErr, FSDeleteObject(nullptr));
    EXPECT_EQ(paramErr, FSMakeFSRefUnicode(nullptr, 1, Units(u"x"), 0, &out));
}

TEST_F(CatalogTest, PathsAndReferences)
{
    FSRef folder, made;
    ASSERT_EQ(noErr, CreateFolder(mRoot, u"a b", &folder));
    std::string path = PathOf(folder);
    Boolean isDirectory = FALSE;
    ASSERT_EQ(noErr, FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &made, &isDirectory));
    EXPECT_TRUE(isDirectory);
    EXPECT_EQ(path, PathOf(made));
    EXPECT_EQ(fnfErr, RefForPath(path + "/missing", &made));

    // The path given may pass through links; the reference records where they lead.
    ASSERT_EQ(0, ::symlink(path.c_str(), mDir.Child("alias").c_str()));
    ASSERT_EQ(noErr, RefForPath(mDir.Child("alias"), &made));
    EXPECT_EQ(path, PathOf(made));

    UInt8 small[4];
    EXPECT_EQ(errFSNameTooLong, FSRefMakePath(&folder, small, sizeof small));
}

TEST_F(CatalogTest, ThreadsShareTheReferenceTable)
{
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t, &failures] {
            for (int i = 0; i < 100; ++i) {
                std::u16string name = U16("t" + std::to_string(t) + "-" + std::to_string(i));
                FSRef made, found;
                if (CreateFile(mRoot, name, &made) != noErr || Lookup(mRoot, name, &found) != noErr ||
                    PathOf(made) != PathOf(found) || FSDeleteObject(&found) != noErr ||
                    FSDeleteObject(&made) != fnfErr) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, failures.load());
}

}  // namespace
}  // namespace filestest
