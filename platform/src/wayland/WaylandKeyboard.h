// The paste keystroke on a Wayland desktop: once a compositor is connected, every event posted with
// CGPostKeyboardEvent is typed on a virtual keyboard of our own into whatever window has the
// keyboard focus. Command becomes Control, the desktop's modifier for Paste. The virtual keyboard
// joins the seat when the compositor is connected and stays for as long as it is, so that windows
// opened meanwhile know the seat has a keyboard.
//
// While event-state combining is off, the keys still down are let go first and the modifiers among
// them held again when combining comes back on. A Wayland client cannot ask the seat which keys
// are down: the keys known to be down are the ones this keyboard pressed. The user's own keyboard
// is another device of the seat; a wlroots compositor gives the window the modifiers of the
// keyboard a key came from, so the user's held modifiers do not reach the posted keys there.
#pragma once

#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include "base/Result.h"

#include <string>

namespace platform::wayland {

// Connects the keyboard to the compositor named (NULL or "": $WAYLAND_DISPLAY), replacing one
// connected before. Fails with kPlatformNoDesktopErr when the compositor cannot be reached, offers
// no virtual keyboard or refuses to make one.
Result<void> ConnectWaylandKeyboard(const char* display);
// Posted events go to the keyboard sink alone again. Keys still down are let go of, and the
// virtual keyboard stays on the seat until the compositor has handled its last keys.
void DisconnectWaylandKeyboard();
// Whether a compositor is connected: posted events are typed there rather than on X11.
bool WaylandKeyboardConnected();

// Types one posted event (a key, or a change of state combining) on the connected compositor and
// answers once the compositor has taken it. kCGErrorSuccess without doing anything when no
// compositor is connected; kCGErrorIllegalArgument for a key the keyboard has no counterpart of;
// kCGErrorFailure when the compositor refused the event or has gone away.
CGError TypeOnWayland(const PlatformKeyboardEvent& event);

}  // namespace platform::wayland
