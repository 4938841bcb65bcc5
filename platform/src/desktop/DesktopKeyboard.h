// The paste keystroke on the X11 desktop: once a display is connected, every event posted with
// CGPostKeyboardEvent is typed through XTEST into whatever window has the focus, as if the user
// had typed it. Command becomes Control, the desktop's modifier for Paste. While event-state
// combining is off, the keys the user still holds (the hotkey that opened the menu, say) are let
// go first, so that the application sees exactly the posted keys, and the modifiers among them
// are held again when combining comes back on. A key the keyboard map lacks is lent a keycode that
// has no keysyms, given back when the keyboard lets go of the display.
#pragma once

#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include "base/Result.h"

#include <string>

namespace platform::desktop {

// Connects the keyboard to the display named (NULL or "": $DISPLAY), replacing a display
// connected before. Fails with kPlatformNoDesktopErr when the display cannot be opened or has no
// XTEST.
Result<void> ConnectDesktopKeyboard(const char* display);
// Posted events go to the keyboard sink alone again.
void DisconnectDesktopKeyboard();

// Types one posted event (a key, or a change of state combining) on the connected display and
// answers once the server has taken it. kCGErrorSuccess without doing anything when no display is
// connected; kCGErrorIllegalArgument for a key the desktop has no counterpart of; kCGErrorFailure
// when the server refused the event or has gone away.
CGError TypeOnDesktop(const PlatformKeyboardEvent& event);

}  // namespace platform::desktop
