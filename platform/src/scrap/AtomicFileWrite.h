// Replacing one file of a clipboard generation so that no reader ever sees it half-written.
#pragma once

#include <MacTypes.h>

#include <cstddef>
#include <string>

namespace platform::scrap {

// Writes length bytes from bytes, straight from the caller's buffer, to a temporary file in the
// folder (exclusive create, mode 0600) and renames it over name. Any failure removes the
// temporary file, leaves name as it was and answers the status with the reason recorded; what
// names the file in that reason ("the flavor 'TEXT'").
OSStatus WriteFileAtomically(int folderFd, const std::string& name, const void* bytes, size_t length,
                             const std::string& what);

// True for the names WriteFileAtomically gives its temporary files.
bool IsTemporaryFileName(const char* name);

}  // namespace platform::scrap
