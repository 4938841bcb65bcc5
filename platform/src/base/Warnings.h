// What the platform did on the user's behalf that the user must hear of although the call itself
// went on (a damaged preferences file put aside, a clip list salvaged from it). The host collects
// the lines and shows them: on the terminal, and as "warnings" in its JSON reports.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Queues one line of text for the host; safe from any thread.
void ReportWarning(std::string line);
// The lines queued so far, oldest first; the queue is empty afterwards.
std::vector<std::string> TakeWarnings();

}  // namespace platform
