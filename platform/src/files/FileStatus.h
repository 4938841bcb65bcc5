// The one place where the system's error numbers become File Manager status codes.
#pragma once

#include <MacTypes.h>

namespace platform::files {

// The nearest File Manager status for an errno value; ioErr for anything without a closer match.
OSErr StatusFromErrno(int error);

}  // namespace platform::files
