#include "desktop/ClipboardServerLaunch.h"

#include "base/HelperProgram.h"
#include "base/ScopedFd.h"
#include "scrap/SecretForgetting.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace platform::desktop {

ServerLaunch LaunchClipboardServer(const std::string& display, const std::string& folderBaseName, bool concealed,
                                   xcb_window_t& window, std::string& why)
{
    const std::string path = HelperProgramPath(kClipboardServerName);
    if (path.empty()) {
        why = std::string("its server, ") + kClipboardServerName + ", is not installed beside the platform library";
        return ServerLaunch::kFailed;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        why = std::string("cannot make a pipe: ") + std::strerror(errno);
        return ServerLaunch::kFailed;
    }
    ScopedFd readEnd(pipeFds[0]);
    ScopedFd writeEnd(pipeFds[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The server outlives us and keeps nothing of our caller's: a caller reading our output or
    // error to its end (a pipe, `$(...)`) must see it end when we do, and a descriptor it left open
    // for us is not held on its behalf. Its answer comes through the pipe on its standard output.
    posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: the terminal's hang-up or Control-C for our process is not the server's.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::vector<char*> arguments = {const_cast<char*>(path.c_str()), const_cast<char*>(display.c_str()),
                                    const_cast<char*>(folderBaseName.c_str())};
    const std::string lifetime = std::to_string(scrap::SecretLifetimeMilliseconds());
    if (concealed) {
        arguments.push_back(const_cast<char*>(kConcealedArgument));
        arguments.push_back(const_cast<char*>(lifetime.c_str()));
    }
    arguments.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, path.c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    writeEnd.Reset();
    if (spawned != 0) {
        why = "cannot start " + path + ": " + std::strerror(spawned);
        return ServerLaunch::kFailed;
    }
    // The server answers with its window once it holds the clipboard, then leaves a process of its
    // own to serve and exits; its answer ends with the end of the pipe.
    // Far longer than a start takes even on a loaded machine: only a server that hangs is given up on.
    constexpr int kPatienceMilliseconds = 30000;
    std::string answer;
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
    char* end = nullptr;
    const unsigned long number = std::strtoul(answer.c_str(), &end, 10);
    if (answer.empty() || end == answer.c_str() || *end != '\n' || number == 0) {
        why = answer.empty() ? "its server did not take the clipboard" : "its server failed: " + answer;
        return ServerLaunch::kFailed;
    }
    window = static_cast<xcb_window_t>(number);
    return ServerLaunch::kServing;
}

}  // namespace platform::desktop
