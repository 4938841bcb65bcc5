// cmhost: the contextual-menu manager and the application the user right-clicks in.
#include "HostMain.h"

#include <iostream>

#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return cmhost::RunHost(arguments, std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) && isatty(STDOUT_FILENO));
}
