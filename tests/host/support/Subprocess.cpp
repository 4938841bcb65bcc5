#include "host/support/Subprocess.h"

#include "support/TempDir.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>

extern char** environ;

namespace hosttest {
namespace {

class ScopedFileActions {
public:
    ScopedFileActions() { posix_spawn_file_actions_init(&mActions); }
    ~ScopedFileActions() { posix_spawn_file_actions_destroy(&mActions); }
    posix_spawn_file_actions_t* Get() { return &mActions; }

private:
    posix_spawn_file_actions_t mActions;
};

}  // namespace

// The child's standard input, output and error are files in a folder of their own: the child can
// neither wait on a reader nor be cut short by one, whatever it prints.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments, const std::string& input)
{
    testsupport::ScopedTempDir files;
    const std::string in = files.Child("in"), out = files.Child("out"), err = files.Child("err");
    testsupport::WriteFile(in, input);
    ScopedFileActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.Get(), STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(actions.Get(), STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), actions.Get(), nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + program);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return ProcessResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1, testsupport::ReadFile(out),
                         testsupport::ReadFile(err)};
}

}  // namespace hosttest
