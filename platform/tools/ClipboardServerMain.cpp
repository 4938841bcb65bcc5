// stashwell-clipboard-server: holds the desktop's clipboard for Stashwell after the program that put
// the content there has exited, X11's CLIPBOARD or (with --wayland first) a Wayland compositor's;
// with --forget, takes a secret off a clipboard when its time is up.
#include "desktop/ClipboardServer.h"
#include "scrap/SecretForgetting.h"
#include "wayland/WaylandClipboardServer.h"

#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], platform::scrap::kForgetArgument) == 0) {
        return platform::scrap::RunSecretForgetter(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], platform::wayland::kWaylandServerArgument) == 0) {
        return platform::wayland::RunWaylandClipboardServer(argc - 1, argv + 1);
    }
    return platform::desktop::RunClipboardServer(argc, argv);
}
