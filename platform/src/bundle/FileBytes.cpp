// Whole-file reads with a size limit.
#include "bundle/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

class ScopedFileDescriptor {
public:
    explicit ScopedFileDescriptor(int fd) : mFD(fd) {}
    ~ScopedFileDescriptor()
    {
        if (mFD >= 0) {
            ::close(mFD);
        }
    }
    ScopedFileDescriptor(const ScopedFileDescriptor&) = delete;
    ScopedFileDescriptor& operator=(const ScopedFileDescriptor&) = delete;
    int get() const { return mFD; }

private:
    int mFD;
};

}  // namespace

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& error)
{
    bytes.clear();
    // O_NONBLOCK keeps a FIFO planted in place of the file from blocking the open.
    ScopedFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info{};
    if (::fstat(fd.get(), &info) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + " is not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = "cannot read " + path + ": " + std::strerror(errno);
            bytes.clear();
            return false;
        }
        if (got == 0) {
            return true;
        }
        // The file may grow while it is read: the limit holds for what is read, not only for
        // what fstat said.
        if (bytes.size() + static_cast<size_t>(got) > maxBytes) {
            error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
            bytes.clear();
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

}  // namespace platform
