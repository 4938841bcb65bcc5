#include "base/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

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

std::optional<std::string> UserBaseFolder(const char* variable, const char* belowHome)
{
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return std::string(value);
    }
    std::optional<std::string> home = HomeFolder();
    if (!home) {
        return std::nullopt;
    }
    return *home + "/" + belowHome;
}

}  // namespace platform
