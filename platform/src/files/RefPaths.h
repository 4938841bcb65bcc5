// Making a reference from a whole path that the user or the platform itself gave.
#pragma once

#include <Carbon/Files.h>

#include <sys/stat.h>

namespace platform::files {

// A reference to the existing item at path, links along the path resolved; info (may be NULL)
// describes it. The status of the failing step (fnfErr when the path leads nowhere).
OSErr MakeRefFromPath(const char* path, FSRef& ref, struct stat* info);

}  // namespace platform::files
