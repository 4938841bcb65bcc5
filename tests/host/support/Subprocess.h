// Runs a program as a child process and collects what it printed and how it ended.
#pragma once

#include <string>
#include <vector>

namespace hosttest {

struct ProcessResult {
    int exitStatus = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs program with the arguments (not counting argv[0]) in the current environment, feeding input
// to its standard input.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = "");

}  // namespace hosttest
