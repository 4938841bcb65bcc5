// The one table from the system's error numbers to the original platform's status codes, and the
// system's text for the user. Callers whose interface speaks in other codes (the keychain's) relabel
// the answer, never the errno.
#pragma once

#include <MacTypes.h>

#include <string>
#include <string_view>

namespace platform {

// The nearest status for an errno value; ioErr for anything without a closer match, noErr for 0.
OSStatus StatusForErrno(int error);
// "what: <the system's text for error>", the line the user is shown.
std::string ErrnoReason(std::string_view what, int error);

}  // namespace platform
