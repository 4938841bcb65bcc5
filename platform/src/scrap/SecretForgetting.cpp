#include "scrap/SecretForgetting.h"

#include "base/HelperProgram.h"
#include "scrap/ClipboardFolder.h"

#include <Carbon/Scrap.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform::scrap {
namespace {

// The program that holds the desktop's clipboard also forgets secrets.
constexpr const char kHelperName[] = "stashwell-clipboard-server";

}  // namespace

long SecretLifetimeMilliseconds()
{
    constexpr long kDefault = 10000;
    const char* given = std::getenv("STASHWELL_CLEAR_SECRETS_AFTER");
    if (given == nullptr || given[0] == '\0') {
        return kDefault;
    }
    char* end = nullptr;
    const double seconds = std::strtod(given, &end);
    // A day is more than any secret needs to wait on the clipboard; anything unreadable keeps the
    // default rather than keeping the secret for ever.
    if (end == given || *end != '\0' || !(seconds >= 0) || seconds > 86400) {
        return kDefault;
    }
    return static_cast<long>(seconds * 1000);
}

Result<void> ForgetSecretLater(int folderFd)
{
    const long lifetime = SecretLifetimeMilliseconds();
    if (lifetime == 0) {
        return {};
    }
    std::string generation;
    if (!CurrentGenerationName(folderFd, generation)) {
        return Failure{internalScrapErr, 0, "the clipboard has no current generation"};
    }
    // The folder as this process found it: the helper's environment may lead elsewhere.
    char folder[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(folderFd);
    const ssize_t length = ::readlink(link.c_str(), folder, sizeof folder - 1);
    if (length <= 0) {
        return Failure{internalScrapErr, 0, "the clipboard folder's path cannot be had"};
    }
    const std::string helper = HelperProgramPath(kHelperName);
    if (helper.empty()) {
        return Failure{internalScrapErr, 0, std::string(kHelperName) + " is not installed beside the platform library"};
    }
    return RunDetachedHelper(
        {helper, kForgetArgument, std::string(folder, static_cast<size_t>(length)), generation, std::to_string(lifetime)});
}

int RunSecretForgetter(int argc, char** argv)
{
    char* end = nullptr;
    const long lifetime = argc == 5 ? std::strtol(argv[4], &end, 10) : -1;
    if (argc != 5 || *end != '\0' || lifetime < 0) {
        return 2;
    }
    // The one who started us waits for this process: the waiting goes on in a child.
    const pid_t waiter = ::fork();
    if (waiter != 0) {
        return waiter > 0 ? 0 : 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(lifetime));
    // Only the user's own private clipboard folder, and never through a link put in its place.
    ScopedFd folder(::open(argv[2], O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!folder.IsValid() || ::fstat(folder.Get(), &info) != 0 || info.st_uid != ::getuid() ||
        (info.st_mode & 0777) != 0700) {
        return 1;
    }
    return ForgetGeneration(folder.Get(), argv[3]) == noErr ? 0 : 1;
}

}  // namespace platform::scrap
