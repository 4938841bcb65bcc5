// The reason for the last failed Scrap Manager call on this thread, kept as one line of text for
// the host to show (the status codes alone cannot say which folder was refused, or why).
#pragma once

#include <MacTypes.h>

#include <string>

namespace platform::scrap {

// Forgets the previous reason: every Scrap Manager call starts with this.
void ClearScrapError();
// Records the reason and answers status, so that a failure path reads `return FailScrap(...)`.
OSStatus FailScrap(OSStatus status, std::string reason);
// As FailScrap, with the status nearest to errno and the system's text for it after what.
OSStatus FailScrapWithErrno(const std::string& what, int error);
// The reason recorded last on this thread ("" when the last call succeeded).
const std::string& LastScrapError();
// A flavor as the user knows it in a reason: "the flavor 'TEXT'", or its type in hexadecimal when
// the bytes are not printable.
std::string FlavorLabel(UInt32 type);

}  // namespace platform::scrap
