#include "base/LockFile.h"

#include "base/RegularFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <sstream>
#include <thread>
#include <vector>

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kDefaultLockWait = 10s;
// The pauses between two tries grow to this: short next to any wait worth telling the user of,
// long enough that a waiter costs nothing while it waits.
constexpr std::chrono::milliseconds kLongestPause = 20ms;
// /proc/locks holds a line per lock of the whole system; a system with more than this many bytes
// of them is not searched.
constexpr size_t kMaxLockTableBytes = size_t{8} << 20;

std::atomic<long long> gLockWaitMilliseconds{0};

// The name the kernel keeps for a process ("cmhost"), empty when it cannot be read (it has ended).
std::string CommandNameOf(long pid)
{
    Result<std::string> read = ReadRegularFile("/proc/" + std::to_string(pid) + "/comm", 256);
    if (!read.Ok()) {
        return {};
    }
    std::string& name = read.Value();
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) {
        name.pop_back();
    }
    return name;
}

}  // namespace

namespace {

// 0, or the errno value.
int OpenLockFile(int folderFd, const std::string& name, ScopedFd& fd)
{
    fd = ScopedFd(::openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd.IsValid()) {
        return errno;
    }
    // A lock file is never read or written; the descriptor only carries the lock. O_NONBLOCK keeps
    // a FIFO put in its place from blocking the open; anything but a file is refused.
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return errno;
    }
    return S_ISREG(info.st_mode) ? 0 : EINVAL;
}

// Locks fd and hands it to holder: 0, or the errno value.
int TakeLock(ScopedFd& holder, ScopedFd fd, LockFile::Mode mode, std::chrono::steady_clock::time_point deadline,
             bool bounded)
{
    if (!fd.IsValid()) {
        return errno;
    }
    holder.Reset();
    const int operation = mode == LockFile::Mode::Exclusive ? LOCK_EX : LOCK_SH;
    if (!bounded) {
        while (::flock(fd.Get(), operation) != 0) {
            if (errno != EINTR) {
                return errno;
            }
        }
        holder = std::move(fd);
        return 0;
    }
    // The kernel has no flock with a time limit: the lock is tried, and tried again after pauses
    // that grow, until it is had or the deadline passes.
    std::chrono::milliseconds pause = 1ms;
    for (;;) {
        if (::flock(fd.Get(), operation | LOCK_NB) == 0) {
            holder = std::move(fd);
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return errno;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return EWOULDBLOCK;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestPause);
    }
}

Result<void> Locked(const std::string& name, int error)
{
    if (error != 0) {
        return ErrnoFailure("cannot lock " + name, error);
    }
    return {};
}

// A try is a bounded wait whose deadline has passed already.
Result<void> OpenAndLock(ScopedFd& holder, int folderFd, const std::string& name, LockFile::Mode mode,
                         std::chrono::steady_clock::time_point deadline, bool bounded)
{
    ScopedFd fd;
    if (int failure = OpenLockFile(folderFd, name, fd); failure != 0) {
        return Locked(name, failure);
    }
    return Locked(name, TakeLock(holder, std::move(fd), mode, deadline, bounded));
}

ScopedFd OpenFolder(const std::string& path)
{
    return ScopedFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

Result<void> LockFile::Lock(int folderFd, const std::string& name, Mode mode, Wait wait)
{
    return OpenAndLock(mFd, folderFd, name, mode, std::chrono::steady_clock::now(), wait == Wait::Try);
}

Result<void> LockFile::Lock(ScopedFd fd, Mode mode, Wait wait)
{
    return Locked("the file", TakeLock(mFd, std::move(fd), mode, std::chrono::steady_clock::now(), wait == Wait::Try));
}

Result<void> LockFile::Lock(int folderFd, const std::string& name, Mode mode, std::chrono::milliseconds limit)
{
    return OpenAndLock(mFd, folderFd, name, mode, std::chrono::steady_clock::now() + limit, true);
}

Result<void> LockFile::LockFolder(const std::string& path, Mode mode, Wait wait)
{
    return Locked(path, TakeLock(mFd, OpenFolder(path), mode, std::chrono::steady_clock::now(), wait == Wait::Try));
}

Result<void> LockFile::LockFolder(const std::string& path, Mode mode, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    return Locked(path, TakeLock(mFd, OpenFolder(path), mode, deadline, true));
}

std::chrono::milliseconds LockWaitLimit()
{
    const long long limit = gLockWaitMilliseconds.load();
    return limit > 0 ? std::chrono::milliseconds(limit) : kDefaultLockWait;
}

void SetLockWaitForTesting(std::chrono::milliseconds limit)
{
    gLockWaitMilliseconds = limit.count();
}

std::string DescribeWaitLimit(std::chrono::milliseconds limit)
{
    char text[48];
    std::snprintf(text, sizeof text, "%g second%s", static_cast<double>(limit.count()) / 1000.0,
                  limit == 1s ? "" : "s");
    return text;
}

std::string DescribeLockHolder(int folderFd, const std::string& name)
{
    const std::string unknown = "a process that cannot be told";
    struct stat info {};
    if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return unknown;
    }
    Result<std::string> table = ReadRegularFile("/proc/locks", kMaxLockTableBytes);
    if (!table.Ok()) {
        return unknown;
    }
    // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10953266 0 EOF": the holder's process, then the
    // file's device (major and minor in hexadecimal) and inode. A line with "->" is a waiter.
    std::vector<long> holders;
    std::istringstream lines(table.Value());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string number, kind, advisory, access, file;
        long pid = 0;
        if (!(fields >> number >> kind) || kind != "FLOCK" || !(fields >> advisory >> access >> pid >> file)) {
            continue;
        }
        unsigned int major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3 && major == ::major(info.st_dev) &&
            minor == ::minor(info.st_dev) && inode == info.st_ino && pid > 0 &&
            std::find(holders.begin(), holders.end(), pid) == holders.end()) {
            holders.push_back(pid);
        }
    }
    std::string told;
    for (long pid : holders) {
        const std::string command = CommandNameOf(pid);
        told += told.empty() ? "" : " and ";
        told += command.empty() ? "process " + std::to_string(pid) : command + " (process " + std::to_string(pid) + ")";
    }
    return told.empty() ? unknown : told;
}

}  // namespace platform
