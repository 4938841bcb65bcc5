// Putting the platform on the Wayland compositor named by WAYLAND_DISPLAY: its clipboard and
// primary selection through data-control (or, where it offers none, as GNOME does, the X11
// CLIPBOARD and PRIMARY of its XWayland, which it bridges with its own), and the paste keystroke
// through its virtual keyboard, else the RemoteDesktop portal, else nobody: then the clip stays on
// the clipboard and the user is told to press Control-V.
#pragma once

#include "base/Result.h"

#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include <string>

namespace platform::wayland {

// Fails with kPlatformNoDesktopErr when there is no compositor or neither it nor an XWayland beside
// it gives a clipboard.
Result<void> UseWaylandDesktop();

// Types a posted event on a compositor that gave no virtual keyboard: through the portal, asked
// for a keyboard session at the first event (the desktop may ask the user then, once); where the
// portal cannot type either, the paste's 'v' is answered with a warning that tells the user to press
// Control-V, and nothing is typed.
CGError TypeWithoutVirtualKeyboard(const PlatformKeyboardEvent& event);

}  // namespace platform::wayland
