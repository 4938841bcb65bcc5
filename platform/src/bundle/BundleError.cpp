// One reason per thread, so that two threads opening bundles never see each other's failures.
#include "bundle/BundleError.h"

#include "cf/StringObject.h"

#include <PlatformHost.h>

namespace platform {
namespace {

thread_local std::string tLastError;

}  // namespace

void ClearBundleError()
{
    tLastError.clear();
}

void SetBundleError(std::string reason)
{
    tLastError = std::move(reason);
}

}  // namespace platform

extern "C" CFStringRef PlatformCopyLastBundleError(void)
{
    if (platform::tLastError.empty()) {
        return nullptr;
    }
    return platform::CreateStringFromUTF8(nullptr, platform::tLastError);
}
