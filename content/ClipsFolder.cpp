// The clips folder's place, its reserved names and the removal and flushing of its items.
#include "content/ClipsFolder.h"

#include "support/CMUtilsFiles.h"

// The platform's file base, from its public include folder.
#include "ErrnoStatus.h"
#include "ScopedFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr TextEncoding kNameEncodingHint = 0;  // Mac OS Roman
constexpr UniChar kClipsFolderName[] = {'S', 't', 'a', 's', 'h', 'w', 'e', 'l', 'l'};
constexpr UInt32 kMaxFolderPathBytes = 4096;
// Every name the folder's machinery uses begins so.
constexpr char kMachineryPrefix[] = ".stashwell-";
constexpr char kKeychainFileName[] = "Stashwell.keychain";

}  // namespace

OSStatus FindClipsFolderRef(FSRef* folderRef)
{
    if (folderRef == nullptr) {
        return paramErr;
    }
    FSRef supportFolder;
    OSStatus status = FSFindFolder(kUserDomain, kApplicationSupportFolderType, kDontCreateFolder, &supportFolder);
    if (status != noErr) {
        return status;
    }
    const UniCharCount nameLength = sizeof kClipsFolderName / sizeof kClipsFolderName[0];
    FSRef item;
    status = FSMakeFSRefUnicode(&supportFolder, nameLength, kClipsFolderName, kNameEncodingHint, &item);
    if (status != noErr) {
        return status;
    }
    // A clips folder the user moved elsewhere (another disk) and linked back is used where it
    // lives: the reference names the link's target, made once here from the whole path, so that
    // every lookup below it (packages, flavor files, the keychain) still refuses a link.
    UInt8 path[kMaxFolderPathBytes];
    status = FSRefMakePath(&item, path, sizeof path);
    if (status != noErr) {
        return status;
    }
    Boolean isFolder = false;
    FSRef target;
    status = FSPathMakeRef(path, &target, &isFolder);
    if (status != noErr) {
        return status;
    }
    if (!isFolder) {
        return dirNFErr;
    }
    *folderRef = target;
    return noErr;
}

OSStatus GetClipsFolderRef(FSRef* folderRef)
{
    if (folderRef == nullptr) {
        return paramErr;
    }
    FSRef supportFolder;
    OSStatus status = FSFindFolder(kUserDomain, kApplicationSupportFolderType, kCreateFolder, &supportFolder);
    if (status != noErr) {
        return status;
    }
    status = FindClipsFolderRef(folderRef);
    if (status != fnfErr) {
        return status;
    }
    const UniCharCount nameLength = sizeof kClipsFolderName / sizeof kClipsFolderName[0];
    FSCatalogInfo info = {};
    info.textEncodingHint = kNameEncodingHint;
    return FSCreateDirectoryUnicode(&supportFolder, nameLength, kClipsFolderName, kFSCatInfoTextEncoding, &info,
                                    folderRef, nullptr, nullptr);
}

Boolean IsReservedClipsFolderName(const char* utf8Name)
{
    if (utf8Name == nullptr) {
        return false;
    }
    return std::strcmp(utf8Name, kKeychainFileName) == 0 ||
           std::strncmp(utf8Name, kMachineryPrefix, sizeof kMachineryPrefix - 1) == 0;
}

Boolean IsReservedClipsFolderName(CFStringRef name)
{
    if (name == nullptr) {
        return false;
    }
    // Compared on the name as it is: '/' is kept on disk as ':', which neither reserved name holds.
    char utf8[1024];
    if (!CFStringGetCString(name, utf8, sizeof utf8, kCFStringEncodingUTF8)) {
        return false;  // too long or not text: no reserved name is either
    }
    return IsReservedClipsFolderName(utf8);
}

std::string DiskNameOfPackage(CFStringRef name)
{
    char utf8[1024];
    if (name == nullptr || !CFStringGetCString(name, utf8, sizeof utf8, kCFStringEncodingUTF8)) {
        return {};
    }
    std::string disk(utf8);
    for (char& c : disk) {
        if (c == '/') {
            c = ':';
        }
    }
    return disk;
}

bool GetClipsFolderPath(char* path, size_t capacity, bool onlyIfPresent)
{
    FSRef folder;
    // Looking must not make the folders of a user who never stored a clip.
    const OSStatus status =
        onlyIfPresent ? FindClipsFolderRef(&folder) : GetClipsFolderRef(&folder);
    if (status != noErr) {
        return false;
    }
    return FSRefMakePath(&folder, reinterpret_cast<UInt8*>(path), static_cast<UInt32>(capacity)) == noErr;
}

OSStatus RemoveClipsFolderItem(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? noErr : platform::StatusForErrno(errno);
    }
    // Anything but a folder (a link above all: never followed) goes as itself.
    if (!S_ISDIR(info.st_mode)) {
        return ::unlink(path.c_str()) == 0 ? noErr : platform::StatusForErrno(errno);
    }
    FSRef ref;
    Boolean isFolder = false;
    OSStatus status = FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), &ref, &isFolder);
    if (status == noErr) {
        status = CMUtils::DeleteObject(&ref);
    }
    return status;
}

bool FlushClipsFolderItem(const std::string& path, bool folder)
{
    const platform::ScopedFd fd(
        ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (folder ? O_DIRECTORY : 0)));
    // A file system that cannot flush (EINVAL) keeps nothing back that a flush would save.
    return fd.IsValid() && (::fsync(fd.Get()) == 0 || errno == EINVAL);
}
