// The platform's helper programs (the clipboard's server): where they are, and starting one that
// lives on after its caller, holding nothing of the caller's.
#pragma once

#include "Result.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// The helper program of that name beside the platform library (in a build), or in the "stashwell"
// folder beside it (once installed); "" when there is none.
std::string HelperProgramPath(const std::string& name);

// Starts the program with the arguments (argv[0] first) in a session of its own, keeping nothing of
// ours: its standard streams on /dev/null (its output on outputFd when that is not -1) and no other
// descriptor. Answers the child, whom the caller waits for; a helper that must outlive us serves in a
// child of its own and lets the process started end at once.
Result<pid_t> SpawnDetachedHelper(const std::vector<std::string>& arguments, int outputFd);

// The same, with no output, waited for: a failure also when it ended with another status than 0.
Result<void> RunDetachedHelper(const std::vector<std::string>& arguments);

}  // namespace platform
