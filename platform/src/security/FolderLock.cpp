#include "security/FolderLock.h"

#include "security/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace platform::security {

FolderLock::FolderLock(const std::string& path)
    : mFd(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    while (mFd.IsValid() && ::flock(mFd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            int error = errno;
            mFd.Reset();
            errno = error;
        }
    }
}

}  // namespace platform::security
