// What the platform did on the user's behalf that the user must hear of although the call went on
// (a damaged preferences file put aside, for example): taken from the platform once a command has
// done its work, said on standard error, and listed in the JSON reports.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cmhost {

// The lines the platform queued since the last call, oldest first; each line is handed out once.
std::vector<std::string> TakePlatformWarnings();

// One line "<program>: warning: <line>" on err for each warning.
void PrintWarnings(const std::vector<std::string>& warnings, std::ostream& err, const char* program = "cmhost");

// Takes what the platform queued and prints it on err; for the places that have no report to list
// it in.
void TakeAndPrintWarnings(std::ostream& err, const char* program = "cmhost");

}  // namespace cmhost
