// Starting the process that offers the desktop folder's current generation on the CLIPBOARD.
#pragma once

#include <xcb/xcb.h>

#include <string>

namespace platform::desktop {

// Starts the server for the display and the desktop folder of that base name, and waits until it
// holds the CLIPBOARD: true with its window, or false with the reason. The server lives on by
// itself (no child is left for this process to wait for) until another application takes the
// clipboard. A concealed clipboard is offered with the hint that clipboard managers keep no copy.
bool LaunchClipboardServer(const std::string& display, const std::string& folderBaseName, bool concealed,
                           xcb_window_t& window, std::string& why);

constexpr const char kClipboardServerName[] = "stashwell-clipboard-server";
// The server's last argument when what it offers is a secret.
constexpr const char kConcealedArgument[] = "--concealed";

}  // namespace platform::desktop
