// Gestalt: the one question the plug-in asks about the running system is its version, which the
// host decides (there is no original system underneath to ask).
#include <Carbon/Gestalt.h>
#include <PlatformHost.h>

#include <atomic>

namespace {

// 10.6.8: the last system on which the plug-in ran as it was built.
constexpr SInt32 kDefaultSystemVersion = 0x1068;

std::atomic<SInt32> gSystemVersion{kDefaultSystemVersion};

}  // namespace

void PlatformSetSystemVersion(SInt32 version)
{
    gSystemVersion.store(version);
}

SInt32 PlatformGetSystemVersion(void)
{
    return gSystemVersion.load();
}

OSErr Gestalt(OSType selector, SInt32* response)
{
    if (response == nullptr) {
        return paramErr;
    }
    // A failed question answers 0, so that a caller that ignores the status still reads a value
    // that means "unknown".
    *response = 0;
    if (selector != gestaltSystemVersion) {
        return gestaltUndefSelectorErr;
    }
    SInt32 version = gSystemVersion.load();
    if (version == 0) {
        return gestaltUnknownErr;
    }
    *response = version;
    return noErr;
}
