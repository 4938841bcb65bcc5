// Between references and whole paths. These are the only calls that take a path rather than a
// name; the path is the caller's own, so links along it are followed (as the original platform
// does), and the reference records the path with every link resolved.
#include "base/ErrnoStatus.h"
#include "base/FreeDeleter.h"
#include "files/Items.h"
#include "files/RefPaths.h"

#include <Carbon/Files.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform::files {

OSErr MakeRefFromPath(const char* path, FSRef& ref, struct stat* infoOut)
{
    MallocOwned<char> resolved(::realpath(path, nullptr));
    if (resolved == nullptr) {
        return StatusForErrno(errno);
    }
    struct stat info {};
    if (::lstat(resolved.get(), &info) != 0) {
        return StatusForErrno(errno);
    }
    MakeRef(resolved.get(), info, ref);
    if (infoOut != nullptr) {
        *infoOut = info;
    }
    return noErr;
}

}  // namespace platform::files

using namespace platform::files;

extern "C" {

OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize)
{
    if (path == nullptr || maxPathSize == 0) {
        return paramErr;
    }
    Item item;
    if (OSErr status = ResolveRef(ref, item); status != noErr) {
        return status;
    }
    if (item.path.size() + 1 > maxPathSize) {
        return errFSNameTooLong;
    }
    std::memcpy(path, item.path.c_str(), item.path.size() + 1);
    return noErr;
}

OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory)
{
    if (path == nullptr || ref == nullptr) {
        return paramErr;
    }
    struct stat info {};
    if (OSErr status = MakeRefFromPath(reinterpret_cast<const char*>(path), *ref, &info); status != noErr) {
        return status;
    }
    if (isDirectory != nullptr) {
        *isDirectory = S_ISDIR(info.st_mode) ? TRUE : FALSE;
    }
    return noErr;
}

}  // extern "C"
