// The reason for the last failed bundle or plug-in operation on this thread, for the host to
// print as one line.
#pragma once

#include <string>

namespace platform {

// Forgets the previous reason: called when a bundle operation starts.
void ClearBundleError();
void SetBundleError(std::string reason);

}  // namespace platform
