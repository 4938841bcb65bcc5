// Runs a program as a child process and collects what it printed and how it ended.
#pragma once

#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace hosttest {

// Owns a file descriptor, closed when the owner goes or is reset.
class ScopedFd {
public:
    explicit ScopedFd(int fd = -1) : mFd(fd) {}
    ~ScopedFd() { Reset(); }
    ScopedFd(ScopedFd&& other) noexcept : mFd(std::exchange(other.mFd, -1)) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept
    {
        Reset();
        mFd = std::exchange(other.mFd, -1);
        return *this;
    }
    int Get() const { return mFd; }
    // For a call that makes the descriptor.
    int* Out()
    {
        Reset();
        return &mFd;
    }
    void Reset()
    {
        if (mFd >= 0)
            close(std::exchange(mFd, -1));
    }

private:
    int mFd = -1;
};

struct ProcessResult {
    int exitStatus = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs program with the arguments (not counting argv[0]) in the current environment, feeding input
// to its standard input.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = "");

}  // namespace hosttest
