// The user's application-support folder: $XDG_DATA_HOME, or ~/.local/share when it is unset or not
// absolute (as the base-directory convention asks), created with its missing parents, each with
// mode 0700, when asked to.
#include "base/UserFolders.h"
#include "base/ErrnoStatus.h"
#include "files/RefPaths.h"

#include <Carbon/Folders.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

std::optional<std::string> ApplicationSupportPath()
{
    return platform::UserBaseFolder("XDG_DATA_HOME", ".local/share");
}

// Creates every missing folder of an absolute path. A folder that another process creates at the
// same moment is fine.
OSErr CreateMissingFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return platform::StatusForErrno(errno);
        }
        if (slash == std::string::npos) {
            return noErr;
        }
    }
}

}  // namespace

extern "C" {

OSErr FSFindFolder(FSVolumeRefNum vRefNum, OSType folderType, Boolean createFolder, FSRef* foundRef)
{
    if (foundRef == nullptr) {
        return paramErr;
    }
    if ((vRefNum != kUserDomain && vRefNum != kOnSystemDisk) || folderType != kApplicationSupportFolderType) {
        return fnfErr;
    }
    auto path = ApplicationSupportPath();
    if (!path) {
        return fnfErr;
    }
    struct stat info {};
    if (::stat(path->c_str(), &info) != 0) {
        if (errno != ENOENT || !createFolder) {
            return platform::StatusForErrno(errno);
        }
        if (OSErr status = CreateMissingFolders(*path); status != noErr) {
            return status;
        }
    }
    FSRef ref;
    if (OSErr status = platform::files::MakeRefFromPath(path->c_str(), ref, &info); status != noErr) {
        return status;
    }
    if (!S_ISDIR(info.st_mode)) {
        return dirNFErr;
    }
    *foundRef = ref;
    return noErr;
}

}  // extern "C"
