// A Wayland compositor's clipboard as the Scrap Manager's clipboard, through its data-control
// (DataControl.h), as desktop/DesktopClipboard.h is X11's CLIPBOARD: what another application
// holds is read type by type when a flavor is asked for (listing the flavors asks for nothing);
// what this process puts goes into a desktop folder of the compositor's own, whose current
// generation our clipboard server offers for as long as it is the clipboard, also after this
// process has exited.
#pragma once

#include "base/Result.h"
#include "scrap/ClipboardBackend.h"

#include <memory>
#include <string>

namespace platform::wayland {

// The clipboard of the compositor named (NULL or "": $WAYLAND_DISPLAY; a name or an absolute
// socket path); fails with kPlatformNoDesktopErr when it cannot be used (no compositor, or one
// without data-control).
Result<std::unique_ptr<scrap::ClipboardBackend>> MakeWaylandClipboard(const char* display);

}  // namespace platform::wayland
