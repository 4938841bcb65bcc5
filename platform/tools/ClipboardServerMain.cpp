// stashwell-clipboard-server: holds the desktop's CLIPBOARD for Stashwell after the program that put
// the content there has exited.
#include "desktop/ClipboardServer.h"

int main(int argc, char** argv)
{
    return platform::desktop::RunClipboardServer(argc, argv);
}
