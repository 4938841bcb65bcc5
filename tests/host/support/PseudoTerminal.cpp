#include "host/support/PseudoTerminal.h"

#include "ScopedFd.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace hosttest {

using platform::ScopedFd;

TerminalResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& ready, const std::vector<std::string>& keyPresses)
{
    PtyUser user(keyPresses, ready);
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    ScopedFd errRead(errPipe[0]);
    ScopedFd errWrite(errPipe[1]);
    TerminalResult result;
    result.localModeBefore = user.LocalMode();

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        setsid();
        ioctl(user.TerminalFd(), TIOCSCTTY, 0);
        dup2(user.TerminalFd(), STDIN_FILENO);
        dup2(user.TerminalFd(), STDOUT_FILENO);
        dup2(errWrite.Get(), STDERR_FILENO);
        execve(program.c_str(), argv.data(), environ);
        _exit(127);
    }
    errWrite.Reset();
    user.SignalOnKey(pid);

    // The terminal stays open on the user's side, so the end shows in waitpid, not in the output.
    using Clock = std::chrono::steady_clock;
    int status = 0;
    std::optional<Clock::time_point> deadline;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (!deadline && user.Typed() == keyPresses.size())
            deadline = Clock::now() + std::chrono::seconds(5);
        if (deadline && Clock::now() > *deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.screen = user.Screen();
    result.localModeAfter = user.LocalMode();
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(errRead.Get(), buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR)) {
        if (count > 0)
            result.err.append(buffer, static_cast<size_t>(count));
    }
    return result;
}

}  // namespace hosttest
