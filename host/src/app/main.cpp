// cmhost: the contextual-menu manager and the application the user right-clicks in.
#include "app/HostMain.h"

#include <iostream>

#include <signal.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    // A write past the file-size limit (ulimit -f) must fail with EFBIG, which the code that writes
    // reports and cleans up after, instead of killing the process half-way through a save.
    signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return cmhost::RunHost(arguments, std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) && isatty(STDOUT_FILENO));
}
