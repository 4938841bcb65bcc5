// Runs a program with a pseudo-terminal as its standard input and output, as a user at a terminal
// would, typing keys one press at a time. Standard error goes to a pipe of its own.
#pragma once

#include "host/support/PtyUser.h"

#include <string>
#include <vector>

namespace hosttest {

struct TerminalResult {
    int exitStatus = -1;  // -1 when the child did not exit normally
    // Everything the program wrote to the terminal, escape sequences included.
    std::string screen;
    std::string err;
    // The terminal's local-mode flags after the program ended: the program must leave them as it
    // found them.
    unsigned long localModeBefore = 0;
    unsigned long localModeAfter = 0;
};

// Starts program on an 80x24 terminal, waits until it has written ready, then types each key
// press (kSendSigterm signals the program) once the output has settled, as PtyUser does; the
// program has five seconds to end after the last one.
TerminalResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& ready, const std::vector<std::string>& keyPresses);

}  // namespace hosttest
