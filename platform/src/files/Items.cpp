// Reference resolution and the folder descriptors every File Manager call works through.
#include "files/Items.h"

#include "files/FileNames.h"
#include "base/ErrnoStatus.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform::files {
namespace {

// A name that leads nowhere any more, or to a link or file where a folder was, means the item
// the reference was made for is gone.
OSErr GoneOrStatus(int error)
{
    if (error == ENOENT || error == ENOTDIR || error == ELOOP) {
        return fnfErr;
    }
    return StatusForErrno(error);
}

}  // namespace

bool IsSameItem(const struct stat& info, const RefEntry& entry)
{
    return info.st_dev == entry.device && info.st_ino == entry.inode && (info.st_mode & S_IFMT) == entry.kind;
}

bool IsSameItem(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT);
}

OSErr ResolveRef(const FSRef* ref, Item& item)
{
    RefEntry entry;
    if (OSErr status = LookUpRef(ref, entry); status != noErr) {
        return status;
    }
    if (entry.deleted) {
        return fnfErr;
    }
    struct stat info {};
    if (::lstat(entry.path.c_str(), &info) != 0) {
        return GoneOrStatus(errno);
    }
    if (!IsSameItem(info, entry)) {
        return fnfErr;
    }
    item.path = entry.path;
    item.entry = std::move(entry);
    item.info = info;
    return noErr;
}

OSErr OpenFolder(const Item& item, ScopedFd& folder)
{
    if (!S_ISDIR(item.info.st_mode)) {
        return dirNFErr;
    }
    ScopedFd fd(::open(item.path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.IsValid()) {
        return GoneOrStatus(errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return StatusForErrno(errno);
    }
    if (!IsSameItem(info, item.info)) {
        return fnfErr;
    }
    folder = std::move(fd);
    return noErr;
}

OSErr OpenParent(const Item& item, ScopedFd& parent, std::string& name, struct stat& parentInfo)
{
    if (item.path == "/") {
        return permErr;
    }
    std::string parentPath = ParentPath(item.path);
    ScopedFd fd(::open(parentPath.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.IsValid()) {
        return GoneOrStatus(errno);
    }
    std::string itemName(LastComponent(item.path));
    struct stat info {};
    if (::fstatat(fd.Get(), itemName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return GoneOrStatus(errno);
    }
    if (!IsSameItem(info, item.info) || ::fstat(fd.Get(), &parentInfo) != 0) {
        return fnfErr;
    }
    parent = std::move(fd);
    name = std::move(itemName);
    return noErr;
}

OSErr MakeRefInFolder(int folderFd, const std::string& folderPath, const std::string& diskName, FSRef* ref,
                      struct stat* info)
{
    struct stat found {};
    if (::fstatat(folderFd, diskName.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
        return StatusForErrno(errno);
    }
    if (ref != nullptr) {
        MakeRef(JoinPath(folderPath, diskName), found, *ref);
    }
    if (info != nullptr) {
        *info = found;
    }
    return noErr;
}

OSErr SetItemMode(int folderFd, const std::string& name, const struct stat& expected, mode_t mode)
{
    // An O_PATH descriptor pins the very item that was checked; changing the mode through its
    // /proc entry then cannot reach another item even if the name is swapped for a link meanwhile.
    ScopedFd fd(::openat(folderFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.IsValid()) {
        return GoneOrStatus(errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return StatusForErrno(errno);
    }
    if (!IsSameItem(info, expected)) {
        return fnfErr;
    }
    if (S_ISLNK(info.st_mode)) {
        return permErr;
    }
    std::string procPath = "/proc/self/fd/" + std::to_string(fd.Get());
    if (::chmod(procPath.c_str(), mode) == 0) {
        return noErr;
    }
    if (errno != ENOENT) {
        return StatusForErrno(errno);
    }
    // Without /proc, fall back to the name, which was checked above not to be a link.
    if (::fchmodat(folderFd, name.c_str(), mode, 0) != 0) {
        return StatusForErrno(errno);
    }
    return noErr;
}

bool IsLocked(const struct stat& info)
{
    return !S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

UInt16 NodeFlagsFor(const struct stat& info)
{
    UInt16 flags = 0;
    if (IsLocked(info)) {
        flags |= kFSNodeLockedMask;
    }
    if (S_ISDIR(info.st_mode)) {
        flags |= kFSNodeIsDirectoryMask;
    }
    return flags;
}

void FillCatalogInfo(const struct stat& info, FSCatalogInfoBitmap whichInfo, FSCatalogInfo& catalogInfo)
{
    if ((whichInfo & kFSCatInfoNodeFlags) != 0) {
        catalogInfo.nodeFlags = NodeFlagsFor(info);
    }
    if ((whichInfo & kFSCatInfoTextEncoding) != 0) {
        catalogInfo.textEncodingHint = 0;
    }
    if ((whichInfo & kFSCatInfoDataSizes) != 0) {
        bool isFile = S_ISREG(info.st_mode);
        catalogInfo.dataLogicalSize = isFile ? static_cast<UInt64>(info.st_size) : 0;
        catalogInfo.dataPhysicalSize = isFile ? static_cast<UInt64>(info.st_blocks) * 512 : 0;
    }
}

}  // namespace platform::files
