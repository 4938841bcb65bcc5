// One reason per thread, so that two threads using the clipboard never see each other's failures.
#include "scrap/ScrapError.h"

#include "base/ErrnoStatus.h"
#include "base/LastError.h"
#include "cf/StringObject.h"

#include <Carbon/Scrap.h>
#include <PlatformHost.h>

#include <cstdio>

namespace platform::scrap {
namespace {

thread_local LastError tLastError;

}  // namespace

void ClearScrapError()
{
    tLastError.Clear();
}

OSStatus FailScrap(OSStatus status, std::string reason)
{
    return tLastError.Fail(status, std::move(reason));
}

OSStatus FailScrapWithErrno(const std::string& what, int error)
{
    return FailScrap(StatusForErrno(error), ErrnoReason(what, error));
}

const std::string& LastScrapError()
{
    return tLastError.Reason();
}

std::string FlavorLabel(UInt32 type)
{
    char text[16];
    bool printable = true;
    for (int shift = 24; shift >= 0; shift -= 8) {
        unsigned char c = static_cast<unsigned char>(type >> shift);
        printable = printable && c >= 0x20 && c < 0x7F;
    }
    if (printable) {
        std::snprintf(text, sizeof text, "'%c%c%c%c'", static_cast<char>(type >> 24), static_cast<char>(type >> 16),
                      static_cast<char>(type >> 8), static_cast<char>(type));
    } else {
        std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(type));
    }
    return std::string("the flavor ") + text;
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
