// Looking items up by name, creating folders and files, and deleting items. Every call works
// inside the folder it is given: names are single components and links are never followed.
#include "files/FileNames.h"
#include "base/ErrnoStatus.h"
#include "files/Items.h"

#include <Carbon/Files.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

using namespace platform::files;

namespace {

// Clips are private: whatever the umask, new folders are 0700 and new files 0600.
constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

// What creation accepts of the catalog information: the text-encoding hint (ignored; names are
// always UTF-8 on disk) and the node flags, of which only the locked flag means anything.
constexpr FSCatalogInfoBitmap kCreatableInfo = kFSCatInfoTextEncoding | kFSCatInfoNodeFlags;

struct NewItemPlace {
    ScopedFd folder;
    Item folderItem;
    std::string diskName;
};

// Checks the name, the catalog information and the folder a new item goes into.
OSErr PrepareNewItem(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                     FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo, NewItemPlace& place)
{
    if ((whichInfo & ~kCreatableInfo) != 0 || (whichInfo != 0 && catalogInfo == nullptr)) {
        return paramErr;
    }
    if (OSErr status = ResolveRef(parentRef, place.folderItem); status != noErr) {
        return status;
    }
    if (OSErr status = OpenFolder(place.folderItem, place.folder); status != noErr) {
        return status;
    }
    if (OSErr status = DiskNameFromUnicode(nameLength, name, place.diskName); status != noErr) {
        return status;
    }
    // A locked folder takes no new items (checked here too, because root may write anyway).
    if (IsLocked(place.folderItem.info)) {
        return permErr;
    }
    return noErr;
}

bool WantsLocked(FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo)
{
    return (whichInfo & kFSCatInfoNodeFlags) != 0 && (catalogInfo->nodeFlags & kFSNodeLockedMask) != 0;
}

// Sets the exact mode of a just-created item and makes its reference; on failure the item is
// removed again so that a failed call leaves nothing behind.
OSErr FinishNewItem(NewItemPlace& place, mode_t mode, bool isFolder, FSRef* newRef, UInt32* newDirID)
{
    struct stat info {};
    OSErr status = noErr;
    if (::fstatat(place.folder.Get(), place.diskName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        status = platform::StatusForErrno(errno);
    } else {
        status = SetItemMode(place.folder.Get(), place.diskName, info, mode);
    }
    if (status != noErr) {
        ::unlinkat(place.folder.Get(), place.diskName.c_str(), isFolder ? AT_REMOVEDIR : 0);
        return status;
    }
    if (newRef != nullptr) {
        MakeRef(JoinPath(place.folderItem.path, place.diskName), info, *newRef);
    }
    if (newDirID != nullptr) {
        *newDirID = static_cast<UInt32>(info.st_ino);
    }
    return noErr;
}

}  // namespace

extern "C" {

OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* nameUnicode,
                         TextEncoding textEncodingHint, FSRef* newRef)
{
    Item folderItem;
    if (OSErr status = ResolveRef(parentRef, folderItem); status != noErr) {
        return status;
    }
    ScopedFd folder;
    if (OSErr status = OpenFolder(folderItem, folder); status != noErr) {
        return status;
    }
    std::string diskName;
    if (OSErr status = DiskNameFromUnicode(nameLength, nameUnicode, diskName); status != noErr) {
        return status;
    }
    return MakeRefInFolder(folder.Get(), folderItem.path, diskName, newRef, nullptr);
}

OSErr FSCreateDirectoryUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                               FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo, FSRef* newRef,
                               FSSpec* newSpec, UInt32* newDirID)
{
    NewItemPlace place;
    if (OSErr status = PrepareNewItem(parentRef, nameLength, name, whichInfo, catalogInfo, place); status != noErr) {
        return status;
    }
    if (::mkdirat(place.folder.Get(), place.diskName.c_str(), kFolderMode) != 0) {
        return platform::StatusForErrno(errno);
    }
    mode_t mode = WantsLocked(whichInfo, catalogInfo) ? (kFolderMode & ~S_IWUSR) : kFolderMode;
    return FinishNewItem(place, mode, true, newRef, newDirID);
}

OSErr FSCreateFileUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                          FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo, FSRef* newRef,
                          FSSpec* newSpec)
{
    NewItemPlace place;
    if (OSErr status = PrepareNewItem(parentRef, nameLength, name, whichInfo, catalogInfo, place); status != noErr) {
        return status;
    }
    // O_EXCL with O_NOFOLLOW: an existing name, a dangling link included, is a duplicate.
    ScopedFd file(::openat(place.folder.Get(), place.diskName.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
    if (!file.IsValid()) {
        return platform::StatusForErrno(errno);
    }
    file.Reset();
    mode_t mode = WantsLocked(whichInfo, catalogInfo) ? (kFileMode & ~S_IWUSR) : kFileMode;
    return FinishNewItem(place, mode, false, newRef, nullptr);
}

OSErr FSDeleteObject(const FSRef* ref)
{
    Item item;
    if (OSErr status = ResolveRef(ref, item); status != noErr) {
        return status;
    }
    ScopedFd parent;
    std::string name;
    struct stat parentInfo {};
    if (OSErr status = OpenParent(item, parent, name, parentInfo); status != noErr) {
        return status;
    }
    // Callers clear the locked flag first, as on the original platform.
    if (IsLocked(item.info)) {
        return fLckdErr;
    }
    if (IsLocked(parentInfo)) {
        return permErr;
    }
    bool isFolder = S_ISDIR(item.info.st_mode);
    // unlinkat never follows a link: a link is removed, its target stays.
    if (::unlinkat(parent.Get(), name.c_str(), isFolder ? AT_REMOVEDIR : 0) != 0) {
        int error = errno;
        if (isFolder && (error == EEXIST || error == ENOTEMPTY)) {
            return fBsyErr;
        }
        return platform::StatusForErrno(error);
    }
    MarkDeleted(item.entry);
    return noErr;
}

}  // extern "C"
