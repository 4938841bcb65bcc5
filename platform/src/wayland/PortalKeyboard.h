// The paste keystroke on Wayland desktops that offer no virtual keyboard (GNOME, KDE Plasma):
// typed through the desktop portal's RemoteDesktop interface, in a session with the keyboard
// alone. The desktop asks the user once; the restore token it gives back is kept in a private
// file under the user's state folder and handed over the next time, so that it does not ask again
// until the user revokes the permission. Command becomes Control, as on X11. Unlike XTEST the
// portal cannot tell which keys the user still holds (the hotkey that opened the menu, say), so
// they are neither let go nor pressed again around the paste.
#pragma once

#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include "base/Result.h"

#include <optional>
#include <string>

namespace platform::wayland {

// Connects to the user's session bus and starts a keyboard session with the portal, replacing one
// started before. This may wait up to a minute while the desktop asks the user. noErr once the
// session is started; fails with kPlatformNoDesktopErr when there is no session bus or no portal,
// the user refused, or the desktop did not grant the keyboard.
Result<void> ConnectPortalKeyboard();
// Closes the session: posted events go to the keyboard sink alone again.
void DisconnectPortalKeyboard();

// Types one posted key through the portal and answers once the portal has taken it; a change of
// state combining needs nothing (see above). kCGErrorSuccess without doing anything when no
// session is started; kCGErrorIllegalArgument for a key the desktop has no counterpart of;
// kCGErrorFailure when the portal refused the key or has gone away.
CGError TypeThroughPortal(const PlatformKeyboardEvent& event);

// Where the restore token is kept: $XDG_STATE_HOME/stashwell/remote-desktop-token ($XDG_STATE_HOME
// defaulting to ~/.local/state); nothing when no home folder is known.
std::optional<std::string> PortalRestoreTokenPath();

}  // namespace platform::wayland
