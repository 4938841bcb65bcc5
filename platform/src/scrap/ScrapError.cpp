// One reason per thread, so that two threads using the clipboard never see each other's failures.
#include "scrap/ScrapError.h"

#include "base/ErrnoStatus.h"
#include "cf/StringObject.h"

#include <Carbon/Scrap.h>
#include <PlatformHost.h>


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

OSStatus FailScrapWithErrno(const std::string& what, int error)
{
    return FailScrap(StatusForErrno(error), ErrnoReason(what, error));
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
