#include "support/XvfbDisplay.h"

#include "ScopedFd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace testsupport {
namespace {

// How long a server may take to come up before the test gives up on it: far more than Xvfb needs
// even on a loaded machine, only so that a server that hangs cannot hang the suite.
constexpr int kStartLimitMilliseconds = 60'000;

void StopServer(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Reads the display number that Xvfb writes, with a newline, once it accepts connections. Empty
// when the server ends or says nothing in time.
std::string ReadDisplayNumber(int fd)
{
    std::string number;
    for (;;) {
        pollfd waiting = {fd, POLLIN, 0};
        int ready = ::poll(&waiting, 1, kStartLimitMilliseconds);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return "";
        char buffer[16];
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return "";
        number.append(buffer, static_cast<size_t>(got));
        size_t end = number.find('\n');
        if (end != std::string::npos)
            return number.substr(0, end);
    }
}

}  // namespace

XvfbDisplay::XvfbDisplay()
{
    // A number of this process's own rather than the lowest free one: a server of another test that
    // is shutting down removes the socket of its number, which would be the next server's socket
    // had that one taken the same number. A number already in use makes Xvfb end: the next is tried.
    const int first = 1000 + static_cast<int>(::getpid() % 8000);
    std::string failures;
    for (int number = first; number < first + 20; ++number) {
        if (Start(number, failures)) {
            return;
        }
    }
    throw std::runtime_error("Xvfb did not come up: " + failures);
}

bool XvfbDisplay::Start(int displayNumber, std::string& failures)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("Xvfb: cannot make a pipe");
    platform::ScopedFd reader(fds[0]);
    platform::ScopedFd writer(fds[1]);
    // The server writes its display number into the pipe's other end, which it must inherit.
    ::fcntl(writer.Get(), F_SETFD, 0);
    const std::string log = mLogs.Child("xvfb.log");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const std::string fdText = std::to_string(writer.Get());
    std::vector<std::string> arguments = {"Xvfb", ":" + std::to_string(displayNumber), "-displayfd", fdText,
                                          "-nolisten", "tcp", "-screen", "0", "1024x768x24"};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int spawned = ::posix_spawnp(&mPid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    writer.Reset();
    if (spawned != 0)
        throw std::runtime_error("Xvfb: cannot start it (is the xvfb package installed?)");
    const std::string number = ReadDisplayNumber(reader.Get());
    if (number != std::to_string(displayNumber)) {
        StopServer(mPid);
        failures += ReadFile(log);
        return false;
    }
    mName = ":" + number;
    return true;
}

XvfbDisplay::~XvfbDisplay()
{
    StopServer(mPid);
}

}  // namespace testsupport
