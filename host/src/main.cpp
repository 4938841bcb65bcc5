// cmhost: the contextual-menu manager and the application the user right-clicks in.
#include "HostMain.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return cmhost::RunHost(arguments, std::cin, std::cout, std::cerr);
}
