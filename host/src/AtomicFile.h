// Replacing a file's content whole or not at all, so that a reader (or a crash) never meets a
// half-written file.
#pragma once

#include <string>
#include <string_view>

namespace cmhost {

// Writes contents to a temporary file in the same folder, flushes it, gives it the permissions of
// the file it replaces and renames it over that file (the file a symbolic link points to, the link
// staying in place); then flushes the folder. On failure the temporary file is removed, the file is
// as it was, and *error gets a one-line reason.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error);

}  // namespace cmhost
