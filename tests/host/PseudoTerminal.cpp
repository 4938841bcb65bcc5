#include "PseudoTerminal.h"

#include "Subprocess.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace hosttest {
namespace {

// Reads what is there within waitMs; false when the terminal has closed.
bool ReadAvailable(int fd, std::string& into, int waitMs)
{
    pollfd poller = {fd, POLLIN, 0};
    if (poll(&poller, 1, waitMs) <= 0)
        return true;
    char buffer[4096];
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0)
        return count < 0 && errno == EINTR;
    into.append(buffer, static_cast<size_t>(count));
    return true;
}

// Reads until nothing more arrives for a while, or the terminal closes.
bool ReadUntilQuiet(int fd, std::string& into)
{
    for (;;) {
        size_t before = into.size();
        if (!ReadAvailable(fd, into, 300))
            return false;
        if (into.size() == before)
            return true;
    }
}

}  // namespace

TerminalResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& ready, const std::vector<std::string>& keyPresses)
{
    ScopedFd master;
    ScopedFd slave;
    winsize size = {};
    size.ws_row = 24;
    size.ws_col = 80;
    if (openpty(master.Out(), slave.Out(), nullptr, nullptr, &size) != 0)
        throw std::runtime_error("openpty failed");
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    ScopedFd errRead(errPipe[0]);
    ScopedFd errWrite(errPipe[1]);

    TerminalResult result;
    termios mode;
    tcgetattr(slave.Get(), &mode);
    result.localModeBefore = mode.c_lflag;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        master.Reset();
        setsid();
        ioctl(slave.Get(), TIOCSCTTY, 0);
        dup2(slave.Get(), STDIN_FILENO);
        dup2(slave.Get(), STDOUT_FILENO);
        dup2(errWrite.Get(), STDERR_FILENO);
        execve(program.c_str(), argv.data(), environ);
        _exit(127);
    }
    errWrite.Reset();

    // Wait for the first screen, but not for ever.
    for (int round = 0; round < 100 && result.screen.find(ready) == std::string::npos; ++round) {
        if (!ReadAvailable(master.Get(), result.screen, 100))
            break;
    }
    bool open = ReadUntilQuiet(master.Get(), result.screen);
    for (const std::string& key : keyPresses) {
        if (!open)
            break;
        if (key == kSendSigterm)
            kill(pid, SIGTERM);
        else if (write(master.Get(), key.data(), key.size()) < 0)
            break;
        open = ReadUntilQuiet(master.Get(), result.screen);
    }
    // Whatever the program still writes until it ends; the terminal stays open on this side, so
    // the end shows in waitpid, not as the end of the output.
    int status = 0;
    pid_t ended = 0;
    for (int round = 0; round < 50 && ended == 0; ++round) {
        ReadAvailable(master.Get(), result.screen, 100);
        ended = waitpid(pid, &status, WNOHANG);
    }
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ReadUntilQuiet(master.Get(), result.screen);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (tcgetattr(slave.Get(), &mode) == 0)
        result.localModeAfter = mode.c_lflag;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(errRead.Get(), buffer, sizeof buffer)) > 0)
        result.err.append(buffer, static_cast<size_t>(count));
    return result;
}

}  // namespace hosttest
