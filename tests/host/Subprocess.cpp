#include "Subprocess.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

extern char** environ;

namespace hosttest {
namespace {

struct Pipe {
    ScopedFd read;
    ScopedFd write;
};

Pipe MakePipe()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    return Pipe{ScopedFd(fds[0]), ScopedFd(fds[1])};
}

class ScopedFileActions {
public:
    ScopedFileActions() { posix_spawn_file_actions_init(&mActions); }
    ~ScopedFileActions() { posix_spawn_file_actions_destroy(&mActions); }
    posix_spawn_file_actions_t* Get() { return &mActions; }

private:
    posix_spawn_file_actions_t mActions;
};

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments, const std::string& input)
{
    Pipe in = MakePipe();
    Pipe out = MakePipe();
    Pipe err = MakePipe();

    ScopedFileActions actions;
    posix_spawn_file_actions_adddup2(actions.Get(), in.read.Get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(actions.Get(), out.write.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.Get(), err.write.Get(), STDERR_FILENO);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), actions.Get(), nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + program);
    in.read.Reset();
    out.write.Reset();
    err.write.Reset();

    // A child that stops reading its input must not stop the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    if (input.empty())
        in.write.Reset();

    ProcessResult result;
    while (out.read.Get() >= 0 || err.read.Get() >= 0) {
        pollfd fds[3] = {{out.read.Get(), POLLIN, 0}, {err.read.Get(), POLLIN, 0}, {in.write.Get(), POLLOUT, 0}};
        if (poll(fds, 3, 60000) <= 0)
            break;
        ScopedFd* readers[2] = {&out.read, &err.read};
        std::string* sinks[2] = {&result.out, &result.err};
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0)
                continue;
            char buffer[4096];
            ssize_t count = read(readers[i]->Get(), buffer, sizeof buffer);
            if (count > 0)
                sinks[i]->append(buffer, static_cast<size_t>(count));
            else if (count == 0 || errno != EINTR)
                readers[i]->Reset();
        }
        if (fds[2].revents != 0) {
            ssize_t count = write(in.write.Get(), input.data() + written, input.size() - written);
            if (count > 0)
                written += static_cast<size_t>(count);
            if (count < 0 || written == input.size())
                in.write.Reset();
        }
    }
    in.write.Reset();

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace hosttest
