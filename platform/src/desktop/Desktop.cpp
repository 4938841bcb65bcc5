// Putting the platform on the X11 desktop: the keyboard, the selected text and the clipboard all
// move to one display, or none of them does.
#include "desktop/DesktopClipboard.h"
#include "desktop/DesktopKeyboard.h"
#include "desktop/DesktopSelection.h"
#include "scrap/ClipboardBackend.h"

#include <PlatformHost.h>

#include <cstdlib>
#include <string>

namespace {

OSStatus Refuse(const std::string& reason, CFStringRef* reasonOrNull)
{
    if (reasonOrNull != nullptr) {
        *reasonOrNull = CFStringCreateWithCString(kCFAllocatorDefault, reason.c_str(), kCFStringEncodingUTF8);
    }
    return kPlatformNoDesktopErr;
}

}  // namespace

OSStatus PlatformUseDesktop(const char* displayOrNull, CFStringRef* reasonOrNull)
{
    if (reasonOrNull != nullptr) {
        *reasonOrNull = nullptr;
    }
    // Named once, so that every part opens the same display even if the environment changes.
    const char* given = displayOrNull != nullptr && displayOrNull[0] != '\0' ? displayOrNull : std::getenv("DISPLAY");
    const std::string display = given != nullptr ? given : "";
    std::string error;
    if (platform::desktop::ConnectDesktopKeyboard(display.c_str(), error) != noErr) {
        return Refuse(error, reasonOrNull);
    }
    std::unique_ptr<platform::scrap::ClipboardBackend> clipboard =
        platform::desktop::MakeDesktopClipboard(display.c_str(), error);
    if (!clipboard) {
        platform::desktop::DisconnectDesktopKeyboard();
        return Refuse(error, reasonOrNull);
    }
    platform::scrap::InstallClipboardBackend(std::move(clipboard));
    platform::desktop::UseDisplayForSelectedText(display.c_str());
    return noErr;
}
