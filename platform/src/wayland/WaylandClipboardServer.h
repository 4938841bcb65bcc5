// The process that holds a Wayland compositor's clipboard for Stashwell, as the X11 server holds
// the CLIPBOARD (desktop/ClipboardServer.h): it offers one generation of the desktop folder, its
// manifest read again at each request, until another program takes the clipboard or the
// compositor goes; a secret is offered with the password-manager hint and taken off after its time.
#pragma once

#include <string>

namespace platform::wayland {

// The file the server makes in the desktop folder, followed by its token, each time an application
// has fetched the content (the X11 server's STASHWELL_FETCHED): the paste that put it has landed.
constexpr const char kFetchedMarkPrefix[] = "fetched-";

// The server's first argument when it serves a Wayland compositor.
constexpr const char kWaylandServerArgument[] = "--wayland";

// argv: the program (or --wayland), the compositor's socket, the desktop folder's base name,
// [--concealed MILLISECONDS] as the X11 server takes them. It offers, besides the content, the
// type desktop::kServerMarkPrefix followed by its token, '-' and the number of flavors offered
// (announced anew as flavors are put), so that the process that started it knows
// its offer among the compositor's. Writes its token and a line end to
// standard output once the compositor has made its source the clipboard (or one line saying why
// it cannot), then serves in a process of its own. Answers the exit status.
int RunWaylandClipboardServer(int argc, char** argv);

}  // namespace platform::wayland
