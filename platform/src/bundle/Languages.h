// The language folders that localized resources are looked for in, from the user's locale.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The folder names (without ".lproj") to try, best first, from LC_ALL, then LC_MESSAGES, then
// LANG (the first one that is set and not empty): "de_DE.UTF-8" gives de_DE, de, German. The
// English folder is not included; callers try it last. Empty for "C", "POSIX" or no locale.
std::vector<std::string> PreferredLanguageFolders();

// The same for one locale value, for callers that already have it.
std::vector<std::string> LanguageFoldersForLocale(const std::string& locale);

}  // namespace platform
