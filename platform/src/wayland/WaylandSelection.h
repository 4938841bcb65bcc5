// The text the user selected on a Wayland desktop: the compositor's primary selection, read
// through data-control on a connection of its own, as PRIMARY is on X11 (desktop/DesktopSelection.h).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

namespace platform::wayland {

// The primary selection of the compositor named (NULL or "": $WAYLAND_DISPLAY) as text, +1; NULL
// when nothing is selected, the selection is not text, the compositor has no primary selection,
// or its owner does not answer within a few seconds.
CFStringRef CopyWaylandSelectedText(const char* display);

}  // namespace platform::wayland
