// The whole of cmhost behind main(): reads the command line, loads the plug-ins, runs the command.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace cmhost {

// arguments exclude the program name. Returns the process exit status. With onTerminal (standard
// input and output are both a terminal) the session without a subcommand tracks the menu with the
// keyboard; otherwise it reads command ids line by line from in, so scripts can drive it.
int RunHost(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err,
            bool onTerminal = false);

}  // namespace cmhost
