// The user's base folders after the XDG base-directory convention, shared by everything in the
// platform that keeps the user's data: preferences, the clips folder, the clipboard.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The folder an XDG variable names when it holds an absolute path (a relative one is ignored, as
// the convention asks); otherwise belowHome under the user's home folder. Nothing when no home
// folder is known either.
std::optional<std::string> UserBaseFolder(const char* variable, const char* belowHome);

}  // namespace platform
