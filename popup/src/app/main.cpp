// stashwell-popup: the contextual menu of the plug-ins at the mouse pointer, over whatever
// application has the focus on the X11 desktop.
#include "app/PopupMain.h"

#include <iostream>

#include <signal.h>

int main(int argc, char** argv)
{
    // As in cmhost: a write past the file-size limit must fail with EFBIG, which the plug-in reports
    // and cleans up after, instead of killing the process half-way through a save.
    signal(SIGXFSZ, SIG_IGN);
    return popup::RunPopup(argc, argv, std::cout, std::cerr);
}
