// Starting the process that offers the desktop folder's current generation on the CLIPBOARD.
#pragma once

#include "base/Result.h"

#include <xcb/xcb.h>

#include <string>
#include <vector>

namespace platform::desktop {

// How a start of the server that did not fail ended.
enum class ServerLaunch {
    kServing,        // it holds the CLIPBOARD, with its window
    kTakenMeanwhile  // another program took the clipboard at the same moment, after us in the
                     // display's order: what we were about to offer is replaced already
};

// Starts the server for the display and the desktop folder of that base name, and waits until it
// holds the CLIPBOARD. The server lives on by itself (no child is left for this process to wait
// for) until another application takes the clipboard. A concealed clipboard is offered with the
// hint that clipboard managers keep no copy.
Result<ServerLaunch> LaunchClipboardServer(const std::string& display, const std::string& folderBaseName,
                                           bool concealed, xcb_window_t& window);

// The same for any desktop: the server's arguments after its path (the folder's and the secret's
// are added), and its answer once it serves (a number, without the line end).
Result<ServerLaunch> LaunchClipboardServer(std::vector<std::string> arguments, bool concealed, std::string& answer);

// The exit status of a server that found the clipboard taken by another program as it asked.
constexpr int kServerFoundClipboardTaken = 3;

constexpr const char kClipboardServerName[] = "stashwell-clipboard-server";
// The server's argument when what it offers is a secret; the number of milliseconds after which it
// takes the secret off the clipboard follows it (0: never).
constexpr const char kConcealedArgument[] = "--concealed";
// The property the server sets on its window each time an application has fetched the content.
constexpr const char kServerFetchedProperty[] = "STASHWELL_FETCHED";

}  // namespace platform::desktop
