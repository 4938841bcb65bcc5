#include "base/ErrnoStatus.h"

#include <cerrno>
#include <cstring>

namespace platform {

OSStatus StatusForErrno(int error)
{
    switch (error) {
    case 0:
        return noErr;
    case ENOENT:
        return fnfErr;
    // A link met where an item was expected, and an item met where a folder was expected, both mean
    // the item looked for is not there; the File Manager has always told the second apart.
    case ELOOP:
        return fnfErr;
    case ENOTDIR:
        return dirNFErr;
    case EEXIST:
        return dupFNErr;
    case EACCES:
    case EPERM:
        return permErr;
    // A read-only file system is the volume's write protection.
    case EROFS:
        return wPrErr;
    // A file past the size limit is as full as a full disk for the user.
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return dskFulErr;
    // The File Manager's own answer for a name longer than a folder can hold.
    case ENAMETOOLONG:
        return errFSNameTooLong;
    case ENOTEMPTY:
    case EBUSY:
    case ETXTBSY:
        return fBsyErr;
    case EMFILE:
    case ENFILE:
        return tmfoErr;
    case ENOMEM:
        return memFullErr;
    case EINVAL:
        return paramErr;
    case EIO:
    default:
        return ioErr;
    }
}

std::string ErrnoReason(std::string_view what, int error)
{
    std::string reason(what);
    reason += ": ";
    reason += std::strerror(error);
    return reason;
}

}  // namespace platform
