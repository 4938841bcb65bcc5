#include "desktop/ClipboardServerLaunch.h"

#include "base/HelperProgram.h"
#include "base/ScopedFd.h"
#include "scrap/SecretForgetting.h"

#include <Carbon/Scrap.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::desktop {

namespace {

Failure ServerFailed(std::string reason)
{
    return Failure{internalScrapErr, 0, std::move(reason)};
}

}  // namespace

Result<ServerLaunch> LaunchClipboardServer(std::vector<std::string> arguments, bool concealed, std::string& answer)
{
    const std::string path = HelperProgramPath(kClipboardServerName);
    if (path.empty()) {
        return ServerFailed(std::string("its server, ") + kClipboardServerName +
                            ", is not installed beside the platform library");
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return ErrnoFailure("cannot make a pipe", errno);
    }
    ScopedFd readEnd(pipeFds[0]);
    ScopedFd writeEnd(pipeFds[1]);

    const std::string lifetime = std::to_string(scrap::SecretLifetimeMilliseconds());
    arguments.insert(arguments.begin(), path);
    if (concealed) {
        arguments.insert(arguments.end(), {kConcealedArgument, lifetime});
    }
    // The server answers through the pipe on its standard output.
    Result<pid_t> spawned = SpawnDetachedHelper(arguments, writeEnd.Get());
    writeEnd.Reset();
    if (!spawned.Ok()) {
        return spawned.Error();
    }
    const pid_t child = spawned.Value();
    // The server answers with its name for what it serves once it holds the clipboard, then leaves a process of its
    // own to serve and exits; its answer ends with the end of the pipe.
    // Far longer than a start takes even on a loaded machine: only a server that hangs is given up on.
    constexpr int kPatienceMilliseconds = 30000;
    answer.clear();
    char buffer[64];
    for (;;) {
        pollfd waiting = {readEnd.Get(), POLLIN, 0};
        if (::poll(&waiting, 1, kPatienceMilliseconds) <= 0) {
            ::kill(child, SIGKILL);
            break;
        }
        ssize_t count = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        answer.append(buffer, static_cast<size_t>(count));
    }
    int exitStatus = 0;
    ::waitpid(child, &exitStatus, 0);
    if (WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == kServerFoundClipboardTaken) {
        return ServerLaunch::kTakenMeanwhile;
    }
    const size_t end = answer.find('\n');
    if (answer.empty() || end == 0 || end == std::string::npos || end + 1 != answer.size() ||
        answer.find_first_not_of("0123456789") != end) {
        return ServerFailed(answer.empty() ? "its server did not take the clipboard" : "its server failed: " + answer);
    }
    answer.resize(end);
    return ServerLaunch::kServing;
}

Result<ServerLaunch> LaunchClipboardServer(const std::string& display, const std::string& folderBaseName,
                                           bool concealed, xcb_window_t& window)
{
    std::string answer;
    Result<ServerLaunch> launch = LaunchClipboardServer({display, folderBaseName}, concealed, answer);
    if (launch.Ok() && launch.Value() == ServerLaunch::kServing) {
        window = static_cast<xcb_window_t>(std::strtoul(answer.c_str(), nullptr, 10));
        if (window == 0) {
            return ServerFailed("its server failed: " + answer);
        }
    }
    return launch;
}

}  // namespace platform::desktop
