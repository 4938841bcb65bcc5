// Putting the platform on the desktop, X11 or Wayland: the keyboard, the selected text and the
// clipboard all move to one desktop, or none of them does.
#include "desktop/DesktopClipboard.h"
#include "desktop/DesktopKeyboard.h"
#include "desktop/DesktopSelection.h"
#include "scrap/ClipboardBackend.h"
#include "wayland/WaylandDesktop.h"
#include "wayland/WaylandConnection.h"

#include <PlatformHost.h>

#include <atomic>
#include <cstdlib>
#include <string>

namespace {

std::atomic<PlatformDesktopKind> gCurrent{kPlatformDesktopNone};

OSStatus Refuse(const std::string& reason, CFStringRef* reasonOrNull)
{
    if (reasonOrNull != nullptr) {
        *reasonOrNull = CFStringCreateWithCString(kCFAllocatorDefault, reason.c_str(), kCFStringEncodingUTF8);
    }
    return kPlatformNoDesktopErr;
}

// The X11 display named (NULL or "": $DISPLAY): its CLIPBOARD, PRIMARY and XTEST.
OSStatus UseX11(const char* displayOrNull, std::string& error)
{
    // Named once, so that every part opens the same display even if the environment changes.
    const char* given = displayOrNull != nullptr && displayOrNull[0] != '\0' ? displayOrNull : std::getenv("DISPLAY");
    const std::string display = given != nullptr ? given : "";
    platform::Result<void> keyboard = platform::desktop::ConnectDesktopKeyboard(display.c_str());
    if (!keyboard.Ok()) {
        error = keyboard.Reason();
        return kPlatformNoDesktopErr;
    }
    platform::Result<std::unique_ptr<platform::scrap::ClipboardBackend>> clipboard =
        platform::desktop::MakeDesktopClipboard(display.c_str());
    if (!clipboard.Ok()) {
        error = clipboard.Reason();
        platform::desktop::DisconnectDesktopKeyboard();
        return kPlatformNoDesktopErr;
    }
    platform::scrap::InstallClipboardBackend(std::move(clipboard.Value()));
    platform::desktop::UseDisplayForSelectedText(display.c_str());
    return noErr;
}

}  // namespace

OSStatus PlatformUseDesktop(const char* displayOrNull, CFStringRef* reasonOrNull)
{
    if (reasonOrNull != nullptr) {
        *reasonOrNull = nullptr;
    }
    std::string error;
    if (UseX11(displayOrNull, error) != noErr) {
        return Refuse(error, reasonOrNull);
    }
    gCurrent = kPlatformDesktopX11;
    return noErr;
}

OSStatus PlatformUseDesktopOfKind(PlatformDesktopKind kind, CFStringRef* reasonOrNull)
{
    if (reasonOrNull != nullptr) {
        *reasonOrNull = nullptr;
    }
    if (kind == kPlatformDesktopAutomatic) {
        // A session that names a compositor is a Wayland session, even if it also has an X11
        // display (XWayland's, which reaches only the X11 programs).
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        kind = wayland != nullptr && wayland[0] != '\0' && platform::wayland::WaylandCompositorAnswers(nullptr)
                   ? kPlatformDesktopWayland
                   : kPlatformDesktopX11;
    }
    if (kind == kPlatformDesktopX11) {
        return PlatformUseDesktop(nullptr, reasonOrNull);
    }
    if (kind != kPlatformDesktopWayland) {
        return Refuse("no such desktop", reasonOrNull);
    }
    if (platform::Result<void> used = platform::wayland::UseWaylandDesktop(); !used.Ok()) {
        return Refuse(used.Reason(), reasonOrNull);
    }
    gCurrent = kPlatformDesktopWayland;
    return noErr;
}

PlatformDesktopKind PlatformCurrentDesktop(void)
{
    return gCurrent.load();
}
