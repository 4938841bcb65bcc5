// The text the user selected on the desktop: the PRIMARY selection of the display the platform is
// on, read by PlatformCopyDesktopSelectedText (PlatformHost.h) on a connection of its own.
#pragma once

namespace platform::desktop {

// From now on PlatformCopyDesktopSelectedText reads the display named (NULL or "": $DISPLAY as it
// is now).
void UseDisplayForSelectedText(const char* display);
// PlatformCopyDesktopSelectedText answers NULL again, as off the desktop.
void ForgetDisplayForSelectedText();

}  // namespace platform::desktop
