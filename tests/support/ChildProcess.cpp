#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testsupport {

ChildProcess::ChildProcess(const std::vector<std::string>& command, const Variables& environment,
                           const std::string& input)
{
    const std::string in = mFiles.Child("in"), out = mFiles.Child("out"), err = mFiles.Child("err");
    WriteFile(in, input);

    std::vector<std::string> variables;
    for (char** each = environ; *each != nullptr; ++each) {
        const std::string entry = *each;
        bool replaced = false;
        for (const auto& [name, value] : environment)
            replaced = replaced || entry.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            variables.push_back(entry);
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& each : variables)
        envp.push_back(each.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (std::string& each : arguments)
        argv.push_back(each.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int spawned = ::posix_spawnp(&mPid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        mPid = -1;
        throw std::runtime_error("cannot start " + command.at(0));
    }
}

ChildProcess::~ChildProcess()
{
    if (mPid > 0) {
        ::kill(mPid, SIGTERM);
        Wait();
    }
}

int ChildProcess::Wait()
{
    if (mPid > 0) {
        int status = 0;
        while (::waitpid(mPid, &status, 0) < 0 && errno == EINTR) {
        }
        mPid = -1;
        mStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return mStatus;
}

bool ChildProcess::Ended(int milliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (mPid > 0) {
        int status = 0;
        const pid_t ended = ::waitpid(mPid, &status, WNOHANG);
        if (ended == mPid) {
            mPid = -1;
            mStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string ChildProcess::Out() const
{
    return ReadFile(mFiles.Child("out"));
}

std::string ChildProcess::Err() const
{
    return ReadFile(mFiles.Child("err"));
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input)
{
    std::vector<std::string> command{program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ChildProcess child(command, {}, input);
    const int status = child.Wait();
    return ProcessResult{status, child.Out(), child.Err()};
}

}  // namespace testsupport
