#include "HelperProgram.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace platform {

std::string HelperProgramPath(const std::string& name)
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&HelperProgramPath), &info) == 0 || info.dli_fname == nullptr) {
        return "";
    }
    std::string folder(info.dli_fname);
    folder.erase(folder.find_last_of('/') + 1);
    for (const std::string& candidate : {folder + name, folder + "stashwell/" + name}) {
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

Result<pid_t> SpawnDetachedHelper(const std::vector<std::string>& arguments, int outputFd)
{
    pid_t child = 0;
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    // A caller reading our output or error to its end (a pipe, `$(...)`) must see it end when we
    // do, and a descriptor it left open for us is not held on its behalf.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: the terminal's hang-up or Control-C for our process is not the helper's.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const int spawned = ::posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        return ErrnoFailure("cannot start " + arguments[0], spawned);
    }
    return child;
}

Result<void> RunDetachedHelper(const std::vector<std::string>& arguments)
{
    Result<pid_t> child = SpawnDetachedHelper(arguments, -1);
    if (!child.Ok()) {
        return child.Error();
    }
    int status = 0;
    while (::waitpid(child.Value(), &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return Failure{ioErr, 0, arguments[0] + " failed"};
    }
    return {};
}

}  // namespace platform
