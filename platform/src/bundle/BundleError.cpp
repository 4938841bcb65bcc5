// One reason per thread, so that two threads opening bundles never see each other's failures.
#include "bundle/BundleError.h"

#include "base/LastError.h"
#include "cf/StringObject.h"

#include <PlatformHost.h>

namespace platform {
namespace {

thread_local LastError tLastError;

}  // namespace

void ClearBundleError()
{
    tLastError.Clear();
}

void SetBundleError(std::string reason)
{
    tLastError.Set(std::move(reason));
}

}  // namespace platform

extern "C" CFStringRef PlatformCopyLastBundleError(void)
{
    const std::string& reason = platform::tLastError.Reason();
    if (reason.empty()) {
        return nullptr;
    }
    return platform::CreateStringFromUTF8(nullptr, reason);
}
