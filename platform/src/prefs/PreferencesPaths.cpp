// Preference file locations.
#include "prefs/PreferencesPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform::prefs {
namespace {

// A file name is at most 255 bytes; the longest name made beside "<id>.plist" is the renamed-aside
// unreadable file with its UTC time and a counter.
constexpr size_t kMaxApplicationIDBytes = 200;

std::optional<std::string> HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home);
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return std::string(found->pw_dir);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> PreferencesFolder()
{
    // A relative XDG_CONFIG_HOME is ignored, as the base-directory convention asks.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/preferences";
    }
    auto home = HomeFolder();
    if (!home) {
        return std::nullopt;
    }
    return *home + "/.config/preferences";
}

bool IsUsableApplicationID(std::string_view utf8)
{
    if (utf8.empty() || utf8 == "." || utf8 == ".." || utf8.size() > kMaxApplicationIDBytes) {
        return false;
    }
    return utf8.find('/') == std::string_view::npos && utf8.find('\0') == std::string_view::npos;
}

bool CreateFolders(const std::string& path)
{
    if (path.empty() || path[0] != '/') {
        return false;
    }
    size_t at = 1;
    for (;;) {
        size_t slash = path.find('/', at);
        std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && prefix.back() != '/') {
            if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        }
        if (slash == std::string::npos) {
            break;
        }
        at = slash + 1;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform::prefs
