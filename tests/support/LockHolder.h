// Another process holding a lock file, as another application's writer does while it writes, or
// after it was stopped half-way (SIGSTOP, a frozen program). The holder is a forked child that
// takes the exclusive flock and then keeps it: stopped, or waiting until the test lets it go
// (and for 60 seconds at most, so that a test that forgets it never leaves it behind).
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
        if (::pipe(ready) != 0 || ::pipe(mRelease) != 0) {
            throw std::runtime_error("no pipe for the lock holder");
        }
        mPid = ::fork();
        if (mPid == 0) {
            ::close(ready[0]);
            ::close(mRelease[1]);
            int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            char held = 1;
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], &held, 1) != 1) {
                ::_exit(1);
            }
            if (stopped) {
                ::raise(SIGSTOP);
            }
            ::alarm(60);
            ::read(mRelease[0], &held, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(mRelease[0]);
        char held = 0;
        const bool locked = mPid > 0 && ::read(ready[0], &held, 1) == 1;
        ::close(ready[0]);
        if (!locked) {
            Release();
            throw std::runtime_error("the lock holder could not take the lock on " + path);
        }
        if (stopped) {
            int status = 0;
            ::waitpid(mPid, &status, WUNTRACED);
        }
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    pid_t Pid() const { return mPid; }
    // Whether the holder still runs (or is stopped): it has not let go by itself.
    bool Alive()
    {
        if (mPid > 0 && ::waitpid(mPid, nullptr, WNOHANG) != 0) {
            mPid = -1;  // ended and reaped
        }
        return mPid > 0;
    }

    // Ends the holder, stopped or not, and waits for it: the kernel drops its lock.
    void Release()
    {
        if (mRelease[1] >= 0) {
            ::close(mRelease[1]);
            mRelease[1] = -1;
        }
        if (mPid > 0) {
            ::kill(mPid, SIGKILL);
            ::waitpid(mPid, nullptr, 0);
            mPid = -1;
        }
    }

private:
    pid_t mPid = -1;
    int mRelease[2] = {-1, -1};
};

}  // namespace testsupport
