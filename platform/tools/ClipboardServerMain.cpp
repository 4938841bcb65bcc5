// stashwell-clipboard-server: holds the desktop's CLIPBOARD for Stashwell after the program that put
// the content there has exited; with --forget, takes a secret off a clipboard when its time is up.
#include "desktop/ClipboardServer.h"
#include "scrap/SecretForgetting.h"

#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], platform::scrap::kForgetArgument) == 0) {
        return platform::scrap::RunSecretForgetter(argc, argv);
    }
    return platform::desktop::RunClipboardServer(argc, argv);
}
