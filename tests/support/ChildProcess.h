// A program the test starts and lets run beside it (an X client serving a selection, a dialog
// waiting for keys), with its standard input from a string and its output and error kept in
// files, so that the child never waits on a reader.
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

}  // namespace testsupport
