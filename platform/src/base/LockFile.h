// The one flock holder of the platform: an exclusive or shared lock on a lock file (created mode
// 0600, never through a link) or on a folder itself. The kernel drops the lock with the descriptor,
// also when the process dies, so a killed holder never leaves the lock taken. A stopped or stalled
// holder does keep it, so a writer waits a bounded time and can then say who holds it.
#pragma once

#include "Result.h"
#include "ScopedFd.h"

#include <chrono>
#include <string>

namespace platform {

class LockFile {
public:
    enum class Mode { Exclusive, Shared };
    enum class Wait { Block, Try };

    // Opens (creating it) name in folderFd (AT_FDCWD with a path) and locks it. A failure carries
    // the errno value: EWOULDBLOCK when Wait::Try finds the lock taken.
    Result<void> Lock(int folderFd, const std::string& name, Mode mode, Wait wait = Wait::Block);
    // The same, waiting at most limit for another holder to let go: EWOULDBLOCK when it still
    // holds the lock then.
    Result<void> Lock(int folderFd, const std::string& name, Mode mode, std::chrono::milliseconds limit);
    // Locks the folder at path itself, for a file whose folder must not gain a lock file.
    Result<void> LockFolder(const std::string& path, Mode mode, Wait wait = Wait::Block);
    // The same, waiting at most limit for another holder to let go (EWOULDBLOCK then).
    Result<void> LockFolder(const std::string& path, Mode mode, std::chrono::milliseconds limit);
    // Locks a file the caller has open already (one it has just made, or read first), taking the
    // descriptor over, which is closed again when the lock is not had.
    Result<void> Lock(ScopedFd fd, Mode mode, Wait wait = Wait::Block);
    void Unlock() { mFd.Reset(); }
    // The locked file's descriptor, for a holder that also writes the file; -1 when none is held.
    int Fd() const { return mFd.Get(); }
    bool Held() const { return mFd.IsValid(); }

private:
    ScopedFd mFd;
};

// How long a writer waits for a lock that another process holds before it gives up and says who
// holds it: long enough for any honest write of a small file, short enough that a stopped holder
// is told to the user instead of freezing every application.
std::chrono::milliseconds LockWaitLimit();
// Changes the limit for this process (tests shorten it); zero restores the default.
void SetLockWaitForTesting(std::chrono::milliseconds limit);
// The limit as the user reads it: "10 seconds", "0.2 seconds".
std::string DescribeWaitLimit(std::chrono::milliseconds limit);

// Who holds an flock on the file name in folderFd (AT_FDCWD with a path), as the kernel lists it in
// /proc/locks: "cmhost (process 1234)", several joined by " and ", or "a process that cannot be
// told" when the kernel does not say (another PID namespace, /proc missing).
std::string DescribeLockHolder(int folderFd, const std::string& name);

}  // namespace platform
