// errno to File Manager status.
#include "files/FileStatus.h"

#include <cerrno>

namespace platform::files {

OSErr StatusFromErrno(int error)
{
    switch (error) {
    case 0:
        return noErr;
    case ENOENT:
        return fnfErr;
    case EEXIST:
        return dupFNErr;
    case EACCES:
    case EPERM:
        return permErr;
    case EROFS:
        return wPrErr;
    case ENOTDIR:
        return dirNFErr;
    case ENOTEMPTY:
        return fBsyErr;
    case EBUSY:
    case ETXTBSY:
        return fBsyErr;
    case ENOSPC:
    case EDQUOT:
        return dskFulErr;
    case EFBIG:
        return fsDataTooBigErr;
    case ENAMETOOLONG:
        return errFSNameTooLong;
    case EMFILE:
    case ENFILE:
        return tmfoErr;
    case ENOMEM:
        return memFullErr;
    case EINVAL:
        return paramErr;
    default:
        return ioErr;
    }
}

}  // namespace platform::files
