// The text the user selected on the desktop: the PRIMARY selection of the X11 display the platform
// is on, or the primary selection of its Wayland compositor, read by
// PlatformCopyDesktopSelectedText (PlatformHost.h) on a connection of its own.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace platform::desktop {

// From now on PlatformCopyDesktopSelectedText reads the display named (NULL or "": $DISPLAY as it
// is now).
void UseDisplayForSelectedText(const char* display);
// From now on PlatformCopyDesktopSelectedText reads the primary selection of the Wayland compositor
// named (NULL or "": $WAYLAND_DISPLAY as it is now).
void UseCompositorForSelectedText(const char* compositor);
// PlatformCopyDesktopSelectedText answers NULL again, as off the desktop.
void ForgetDisplayForSelectedText();

// The selected text from the bytes its owner gave (UTF-8, or Latin-1 when latin1), +1; NULL when
// they are not text of that encoding. Some owners count a C string's terminator as part of the
// text: it is not.
CFStringRef CreateSelectedText(std::string bytes, bool latin1);

}  // namespace platform::desktop
