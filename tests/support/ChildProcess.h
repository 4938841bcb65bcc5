// A program the test starts, either let run beside it (an X client serving a selection, a dialog
// waiting for keys) or run to its end (cmhost as a user runs it), with its standard input from a
// string and its output and error kept in files of a folder of its own: the child can neither wait
// on a reader nor be cut short by one, whatever it prints.
#pragma once

#include "support/TempDir.h"

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class ChildProcess {
public:
    using Variables = std::vector<std::pair<std::string, std::string>>;

    // Starts command[0], looked up in PATH, in this process's environment with the variables given
    // set. Throws std::runtime_error when it cannot be started.
    explicit ChildProcess(const std::vector<std::string>& command, const Variables& environment = {},
                          const std::string& input = "");
    // A child still running is stopped and waited for.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the end: the exit status, -1 when a signal ended it.
    int Wait();
    // Whether it has ended, without waiting; milliseconds > 0 waits that long at most for the end.
    bool Ended(int milliseconds = 0);
    std::string Out() const;
    std::string Err() const;

private:
    ScopedTempDir mFiles;
    pid_t mPid = -1;
    int mStatus = -1;
};

// How a program run to its end ended, and what it printed.
struct ProcessResult {
    int exitStatus = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs program (a path) with the arguments (not counting argv[0]) in this process's environment,
// feeding input to its standard input, and waits for its end. Throws std::runtime_error when it
// cannot be started.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = "");

}  // namespace testsupport
