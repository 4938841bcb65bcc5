// Another process holding an flock on a file, as another application's writer does while it writes,
// or once stopped half-way: a forked child takes the lock and keeps it, stopped (SIGSTOP) or waiting
// 60 seconds at most, so that a test that waits for it wrongly fails rather than hangs.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace testsupport {

class LockHolder {
public:
    explicit LockHolder(const std::string& path, bool stopped = false)
    {
        int ready[2];
        if (::pipe(ready) != 0) {
            throw std::runtime_error("no pipe for the lock holder");
        }
        mPid = ::fork();
        char held = 0;
        if (mPid == 0) {
            // A folder is locked as itself; anything else is a lock file, made when missing.
            int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0) {
                fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            }
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], &held, 1) != 1) {
                ::_exit(1);
            }
            stopped ? ::raise(SIGSTOP) : ::sleep(60);
            ::_exit(0);
        }
        ::close(ready[1]);
        const bool locked = mPid > 0 && ::read(ready[0], &held, 1) == 1;
        ::close(ready[0]);
        if (!locked) {
            Release();
            throw std::runtime_error("the lock holder could not lock " + path);
        }
        if (stopped) {
            ::waitpid(mPid, nullptr, WUNTRACED);
        }
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    pid_t Pid() const { return mPid; }
    // Whether the holder has not ended (nor let go) by itself.
    bool Alive() const
    {
        siginfo_t ended{};  // looked at, not reaped
        return mPid > 0 && ::waitid(P_PID, mPid, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0;
    }
    // Ends the holder and waits for it: the kernel drops its lock.
    void Release()
    {
        if (mPid > 0) {
            ::kill(mPid, SIGKILL);
            ::waitpid(mPid, nullptr, 0);
            mPid = -1;
        }
    }

private:
    pid_t mPid = -1;
};

}  // namespace testsupport
