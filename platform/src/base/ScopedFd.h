// The one owner of a file descriptor for the platform, the host and the tests: closed when the owner
// goes away. Taking a descriptor always adopts it (the caller gives up its own close).
#pragma once

#include <unistd.h>

#include <utility>

namespace platform {

class ScopedFd {
public:
    ScopedFd() = default;
    explicit ScopedFd(int fd) : mFd(fd) {}
    ~ScopedFd() { Reset(); }
    ScopedFd(ScopedFd&& other) noexcept : mFd(std::exchange(other.mFd, -1)) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            mFd = std::exchange(other.mFd, -1);
        }
        return *this;
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;

    int Get() const { return mFd; }
    bool IsValid() const { return mFd >= 0; }
    // Closes now and reports whether the close succeeded (a deferred write error shows here); errno
    // says why when it did not.
    bool Close()
    {
        int fd = std::exchange(mFd, -1);
        return fd < 0 || ::close(fd) == 0;
    }
    // Gives up ownership without closing: the caller now owns the descriptor.
    int Release() { return std::exchange(mFd, -1); }
    void Reset()
    {
        if (mFd >= 0) {
            ::close(std::exchange(mFd, -1));
        }
    }

private:
    int mFd = -1;
};

}  // namespace platform
