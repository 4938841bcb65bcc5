// Preference file locations.
#include "prefs/PreferencesPaths.h"

#include "base/UserFolders.h"

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

}  // namespace

std::optional<std::string> PreferencesFolder()
{
    std::optional<std::string> config = UserBaseFolder("XDG_CONFIG_HOME", ".config");
    if (!config) {
        return std::nullopt;
    }
    return *config + "/preferences";
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
