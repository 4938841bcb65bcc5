// The File Manager subset: file references, Unicode names, data forks, catalog flags and folder
// iteration. A name is always one component inside the folder it is given with, never a path: a
// '/' in a name is kept on disk as ':' and read back as '/', and "", "." and ".." are refused with
// bdNamErr, so no call ever reaches outside its folder. Folders are created with mode 0700 and
// files with 0600. An item is "locked" when its owner may not write it. Deleting never follows a
// symbolic link: a link is deleted as the file it is. Only the data fork exists.
#pragma once

#include <CoreFoundation/CFURL.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// A fixed-size opaque value naming an existing file or folder; its bytes mean nothing outside the
// File Manager of this process.
typedef struct FSRef {
    UInt8 hidden[80];
} FSRef;

// The classic file record; never filled here, every parameter of this type may be NULL.
typedef struct FSSpec FSSpec;

typedef UInt32 TextEncoding;
typedef SInt16 FSVolumeRefNum;
typedef SInt16 FSIORefNum;
typedef unsigned long ByteCount;

// A name of at most 255 UTF-16 units.
typedef struct HFSUniStr255 {
    UInt16 length;
    UniChar unicode[255];
} HFSUniStr255;

typedef UInt32 FSCatalogInfoBitmap;
enum {
    kFSCatInfoNone = 0x00000000,
    kFSCatInfoTextEncoding = 0x00000001,
    kFSCatInfoNodeFlags = 0x00000002,
    kFSCatInfoDataSizes = 0x00004000
};

enum {
    kFSNodeLockedMask = 0x0001,
    kFSNodeIsDirectoryMask = 0x0010
};

// What the calls of this subset read and write of an item's catalog information; the fields that
// the bitmap does not name are left alone.
typedef struct FSCatalogInfo {
    UInt16 nodeFlags;          // kFSCatInfoNodeFlags: locked, folder
    TextEncoding textEncodingHint;  // kFSCatInfoTextEncoding: accepted and ignored
    UInt64 dataLogicalSize;    // kFSCatInfoDataSizes: the data fork's size in bytes (read only)
    UInt64 dataPhysicalSize;
} FSCatalogInfo;

// Fork access.
enum {
    fsCurPerm = 0,
    fsRdPerm = 1,
    fsWrPerm = 2,
    fsRdWrPerm = 3
};
enum {
    fsAtMark = 0,
    fsFromStart = 1,
    fsFromLEOF = 2,
    fsFromMark = 3
};

typedef struct OpaqueFSIterator* FSIterator;
typedef OptionBits FSIteratorFlags;
enum {
    kFSIterateFlat = 0,
    kFSIterateSubtree = 1,  // not supported: errFSBadIteratorFlags
    kFSIterateDelete = 2    // deleting the item just returned does not disturb the iteration
};

enum {
    errFSNoMoreItems = -1417
};

// A fork position before the start of the fork.
enum {
    posErr = -40
};

// The item called name in the folder parentRef. fnfErr when there is none, dirNFErr when parentRef
// is not a folder (a symbolic link is not one), bdNamErr for a name that is not one component: "",
// ".", "..", a NUL, an unpaired surrogate, or a ':' (the disk keeps '/' as ':', so a ':' would
// read back as '/'); errFSNameTooLong over 255 units.
OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* nameUnicode,
                         TextEncoding textEncodingHint, FSRef* newRef);
// A new folder (mode 0700) or an empty file (mode 0600); dupFNErr when the name exists, permErr in
// a locked folder. Of the catalog information only the text-encoding hint (ignored) and the
// locked flag may be given.
OSErr FSCreateDirectoryUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                               FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo, FSRef* newRef,
                               FSSpec* newSpec, UInt32* newDirID);
OSErr FSCreateFileUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                          FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo, FSRef* newRef,
                          FSSpec* newSpec);
// Deletes a file, a symbolic link or an empty folder. fBsyErr for a folder that is not empty,
// fLckdErr for a locked item, permErr in a locked folder. A reference to a deleted item never
// names anything again (fnfErr), even if a new item takes the same name.
OSErr FSDeleteObject(const FSRef* ref);

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef);
// Only the locked flag of the node flags can be changed.
OSErr FSSetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo);

// The name of the data fork (empty: the data fork is the file's only content).
OSErr FSGetDataForkName(HFSUniStr255* dataForkName);
// forkNameLength must be 0 (the data fork; any other: errFSForkNotFound). notAFileErr for a folder
// or a symbolic link; permErr when a locked file is opened for writing; tmfoErr when no more forks
// can be open.
OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName, SInt8 permissions,
                 FSIORefNum* forkRefNum);
OSErr FSGetForkSize(FSIORefNum forkRefNum, SInt64* forkSize);
// Reads or writes at a position; actualCount (may be NULL) tells what was moved. A read that
// reaches the end of the fork answers eofErr with the bytes that were there; a write that cannot be
// completed (a full disk: dskFulErr) tells how much was written.
OSErr FSReadFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset, ByteCount requestCount,
                 void* buffer, ByteCount* actualCount);
OSErr FSWriteFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset, ByteCount requestCount,
                  const void* buffer, ByteCount* actualCount);
OSErr FSCloseFork(FSIORefNum forkRefNum);

// Iteration over one folder's items, one call of FSGetCatalogInfoBulk at a time; errFSNoMoreItems
// when none are left. FSOpenIterator answers errFSBadIteratorFlags for kFSIterateSubtree and
// errFSNotAFolder when container is not a folder.
OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags iteratorFlags, FSIterator* iterator);
OSErr FSGetCatalogInfoBulk(FSIterator iterator, ItemCount maximumObjects, ItemCount* actualObjects,
                           Boolean* containerChanged, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfos,
                           FSRef* refs, FSSpec* legacyRecords, HFSUniStr255* names);
OSErr FSCloseIterator(FSIterator iterator);

// The item's absolute path as a NUL-terminated UTF-8 string; errFSNameTooLong when it does not fit in
// maxPathSize bytes.
OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);
// The existing item at an absolute or relative path; isDirectory (may be NULL) tells whether it
// is a folder.
OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory);

// A file URL for the item (+1), a folder URL when it is a folder; NULL for a reference that names
// nothing.
CFURLRef CFURLCreateFromFSRef(CFAllocatorRef allocator, const FSRef* fsRef);

#ifdef __cplusplus
}
#endif
