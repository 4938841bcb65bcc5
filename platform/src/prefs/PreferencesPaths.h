// Where the preferences of an application id live:
// $XDG_CONFIG_HOME/preferences/<application id>.plist, $XDG_CONFIG_HOME defaulting to ~/.config.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::prefs {

// The preferences folder, or nullopt when neither XDG_CONFIG_HOME nor a home folder is known.
std::optional<std::string> PreferencesFolder();

// An application id names one file in the folder, never a path: empty, ".", "..", a '/' or a NUL
// anywhere, and names too long to leave room for the suffixes used beside the file are refused.
bool IsUsableApplicationID(std::string_view utf8);

// Creates the folder and every missing folder above it, each with mode 0700.
bool CreateFolders(const std::string& path);

}  // namespace platform::prefs
