// The one flock holder of the platform: an exclusive or shared lock on a lock file (created mode
// 0600, never through a link) or on a folder itself. The kernel drops the lock with the descriptor,
// also when the process dies, so a killed holder never leaves the lock taken.
#pragma once

#include "ScopedFd.h"

#include <string>

namespace platform {

class LockFile {
public:
    enum class Mode { Exclusive, Shared };
    enum class Wait { Block, Try };

    // Opens (creating it) name in folderFd (AT_FDCWD with a path) and locks it. 0, or the errno
    // value; EWOULDBLOCK when Wait::Try finds the lock taken.
    int Lock(int folderFd, const std::string& name, Mode mode, Wait wait = Wait::Block);
    // Locks the folder at path itself, for a file whose folder must not gain a lock file.
    int LockFolder(const std::string& path, Mode mode, Wait wait = Wait::Block);
    void Unlock() { mFd.Reset(); }
    bool Held() const { return mFd.IsValid(); }

private:
    int Take(ScopedFd fd, Mode mode, Wait wait);

    ScopedFd mFd;
};

}  // namespace platform
