#include "support/HeadlessSway.h"

#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

// How long the compositor may take to come up: far more than sway needs even on a loaded
// machine, only so that one that hangs cannot hang the suite.
constexpr auto kStartLimit = std::chrono::seconds(60);

// The unprivileged user sway runs as when the test runs as root.
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

bool Connects(const std::string& socketPath)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return false;
    socketPath.copy(address.sun_path, socketPath.size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

void Stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

HeadlessSway::HeadlessSway(const Options& options)
{
    const bool asRoot = ::geteuid() == 0;
    const std::string runtime = mFolder.Child("runtime");
    ::mkdir(runtime.c_str(), 0700);
    // The folder that holds the runtime folder must let nobody through, and the config be readable.
    ::chmod(mFolder.path().c_str(), 0711);
    if (asRoot && ::chown(runtime.c_str(), kNobody, kNogroup) != 0)
        throw std::runtime_error("sway: cannot give its runtime folder to nobody");
    const std::string ready = runtime + "/ready";
    // The last line runs once the compositor has started: it names XWayland's display (empty
    // without it) and says the compositor is ready. XWayland lets in only the user who started it:
    // the test's own clients, root's, are let in too.
    const std::string config = mFolder.Child("config");
    WriteFile(config, "output HEADLESS-1 resolution 1280x800\n"
                      "xwayland " + std::string(options.xwayland ? "force" : "disable") + "\n" + options.config +
                      "exec sh -c '" + std::string(options.xwayland ? "xhost +si:localuser:root >/dev/null 2>&1; " : "") +
                      "echo \"$DISPLAY\" > " + ready + ".part && mv " + ready + ".part " + ready + "'\n");
    ::chmod(config.c_str(), 0644);
    const std::string log = mFolder.Child("sway.log");

    std::vector<std::string> arguments;
    if (asRoot)
        arguments = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    for (const char* word : {"env", "-i"})
        arguments.emplace_back(word);
    arguments.push_back("HOME=" + runtime);
    arguments.push_back("XDG_RUNTIME_DIR=" + runtime);
    arguments.push_back("PATH=/usr/bin:/bin");
    for (const char* word : {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman", "sway",
                             "-c"})
        arguments.emplace_back(word);
    arguments.push_back(config);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    char* noEnvironment[] = {nullptr};
    int spawned = ::posix_spawnp(&mPid, argv[0], &actions, nullptr, argv.data(), noEnvironment);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("sway: cannot start it (are the sway and util-linux packages installed?)");

    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(mPid, &status, WNOHANG) == mPid) {
            mPid = -1;
            throw std::runtime_error("sway ended as it started: " + Log());
        }
        if (fs::exists(ready)) {
            std::error_code ignored;
            for (const fs::directory_entry& entry : fs::directory_iterator(runtime, ignored)) {
                const std::string name = entry.path().filename().string();
                if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos &&
                    Connects(entry.path().string()))
                    mSocket = entry.path().string();
            }
            std::string display = ReadFile(ready);
            while (!display.empty() && display.back() == '\n')
                display.pop_back();
            mXDisplay = display;
            if (!mSocket.empty() && (!options.xwayland || !mXDisplay.empty()))
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop(mPid);
    mPid = -1;
    throw std::runtime_error("sway did not come up in time: " + Log());
}

HeadlessSway::~HeadlessSway()
{
    if (mPid > 0)
        Stop(mPid);
}

namespace {

std::string IpcSocket(const std::string& runtime)
{
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(runtime, ignored)) {
        if (entry.path().filename().string().rfind("sway-ipc.", 0) == 0)
            return entry.path().string();
    }
    return "";
}

}  // namespace

std::string HeadlessSway::Command(const std::string& command) const
{
    ProcessResult result = RunProcess("/usr/bin/swaymsg", {"-s", IpcSocket(mFolder.Child("runtime")), command});
    return result.out + result.err;
}

std::string HeadlessSway::Tree() const
{
    return RunProcess("/usr/bin/swaymsg", {"-s", IpcSocket(mFolder.Child("runtime")), "-r", "-t", "get_tree"}).out;
}

std::string HeadlessSway::Log() const
{
    return ReadFile(mFolder.Child("sway.log"));
}

}  // namespace testsupport
