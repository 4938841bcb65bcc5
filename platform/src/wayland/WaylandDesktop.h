// Putting the platform on the Wayland compositor named by WAYLAND_DISPLAY: its clipboard and
// primary selection through data-control (or, where it offers none, the X11 CLIPBOARD and PRIMARY
// of its XWayland, which it bridges), and the paste keystroke through its virtual keyboard, else
// the RemoteDesktop portal, else nobody: then the clip stays on the clipboard and the user is told
// to press Control-V.
#pragma once

#include <MacTypes.h>

#include <string>

namespace platform::wayland {

// kPlatformNoDesktopErr with the reason in error when there is no compositor or neither it nor an
// XWayland beside it gives a clipboard.
OSStatus UseWaylandDesktop(std::string& error);

}  // namespace platform::wayland
