#include "base/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

namespace platform {

int LockFile::Take(ScopedFd fd, Mode mode, Wait wait)
{
    mFd.Reset();
    if (!fd.IsValid()) {
        return errno;
    }
    int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | (wait == Wait::Try ? LOCK_NB : 0);
    while (::flock(fd.Get(), operation) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    mFd = std::move(fd);
    return 0;
}

int LockFile::Lock(int folderFd, const std::string& name, Mode mode, Wait wait)
{
    ScopedFd fd(::openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (fd.IsValid()) {
        // A lock file is never read or written; the descriptor only carries the lock. O_NONBLOCK
        // keeps a FIFO put in its place from blocking the open; anything but a file is refused.
        struct stat info {};
        if (::fstat(fd.Get(), &info) != 0) {
            return errno;
        }
        if (!S_ISREG(info.st_mode)) {
            return EINVAL;
        }
    }
    return Take(std::move(fd), mode, wait);
}

int LockFile::LockFolder(const std::string& path, Mode mode, Wait wait)
{
    return Take(ScopedFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), mode, wait);
}

}  // namespace platform
