// Reading and writing an item's catalog information: node flags, data sizes, name and parent.
#include "files/FileNames.h"
#include "base/ErrnoStatus.h"
#include "files/Items.h"

#include <Carbon/Files.h>

#include <cerrno>

using namespace platform::files;

namespace {

// The only information that can be written: the locked flag, and the text-encoding hint, which
// is accepted and ignored.
constexpr FSCatalogInfoBitmap kSettableInfo = kFSCatInfoTextEncoding | kFSCatInfoNodeFlags;

OSErr MakeParentRef(const Item& item, FSRef& parentRef)
{
    // The root folder has no parent: its parent reference is all zeros, which names nothing.
    if (item.path == "/") {
        ClearRef(parentRef);
        return noErr;
    }
    std::string parentPath = ParentPath(item.path);
    struct stat info {};
    if (::lstat(parentPath.c_str(), &info) != 0) {
        return platform::StatusForErrno(errno);
    }
    MakeRef(parentPath, info, parentRef);
    return noErr;
}

}  // namespace

extern "C" {

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef)
{
    if (whichInfo != kFSCatInfoNone && catalogInfo == nullptr) {
        return paramErr;
    }
    Item item;
    if (OSErr status = ResolveRef(ref, item); status != noErr) {
        return status;
    }
    if (parentRef != nullptr) {
        if (OSErr status = MakeParentRef(item, *parentRef); status != noErr) {
            return status;
        }
    }
    if (catalogInfo != nullptr) {
        FillCatalogInfo(item.info, whichInfo, *catalogInfo);
    }
    if (outName != nullptr) {
        UnicodeFromDiskName(LastComponent(item.path), *outName);
    }
    return noErr;
}

OSErr FSSetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo)
{
    if ((whichInfo & ~kSettableInfo) != 0 || (whichInfo != kFSCatInfoNone && catalogInfo == nullptr)) {
        return paramErr;
    }
    Item item;
    if (OSErr status = ResolveRef(ref, item); status != noErr) {
        return status;
    }
    if ((whichInfo & kFSCatInfoNodeFlags) == 0) {
        return noErr;
    }
    // Only the locked flag can change; the folder flag and any other bit given are ignored, so
    // that flags read, changed and written back work.
    bool wantLocked = (catalogInfo->nodeFlags & kFSNodeLockedMask) != 0;
    if (wantLocked == IsLocked(item.info)) {
        return noErr;
    }
    ScopedFd parent;
    std::string name;
    struct stat parentInfo {};
    if (OSErr status = OpenParent(item, parent, name, parentInfo); status != noErr) {
        return status;
    }
    mode_t mode = item.info.st_mode & 07777;
    mode = wantLocked ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
    return SetItemMode(parent.Get(), name, item.info, mode);
}

}  // extern "C"
