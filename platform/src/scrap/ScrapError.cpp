// One reason per thread, so that two threads using the clipboard never see each other's failures.
#include "scrap/ScrapError.h"

#include "cf/StringObject.h"

#include <Carbon/Scrap.h>
#include <PlatformHost.h>

#include <cerrno>
#include <cstring>

namespace platform::scrap {
namespace {

thread_local std::string tLastError;

}  // namespace

void ClearScrapError()
{
    tLastError.clear();
}

OSStatus FailScrap(OSStatus status, std::string reason)
{
    tLastError = std::move(reason);
    return status;
}

OSStatus StatusForErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return fnfErr;
    case EACCES:
    case EPERM:
    case EROFS:
        return permErr;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return dskFulErr;
    case ENOMEM:
        return memFullErr;
    default:
        return ioErr;
    }
}

OSStatus FailScrapWithErrno(const std::string& what, int error)
{
    return FailScrap(StatusForErrno(error), what + ": " + std::strerror(error));
}

const std::string& LastScrapError()
{
    return tLastError;
}

}  // namespace platform::scrap

extern "C" CFStringRef PlatformCopyLastClipboardError(void)
{
    const std::string& reason = platform::scrap::LastScrapError();
    if (reason.empty()) {
        return nullptr;
    }
    return platform::CreateStringFromUTF8(nullptr, reason);
}
