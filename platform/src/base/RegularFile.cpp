#include "base/RegularFile.h"

#include "base/ErrnoStatus.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {
namespace {

// One read call moves at most this much, well under what the kernel accepts at once.
constexpr size_t kMaxReadChunk = size_t{1} << 30;

Failure SystemError(std::string_view what, const std::string& label, int error)
{
    return ErrnoFailure(std::string(what) + " " + label, error);
}

Failure TooLarge(const std::string& label, size_t maxBytes)
{
    return Failure{fsDataTooBigErr, 0, label + " is larger than " + std::to_string(maxBytes) + " bytes"};
}

}  // namespace

Result<void> OpenRegularFile(int folderFd, const std::string& name, ScopedFd& fd, struct stat& info)
{
    ScopedFd opened(::openat(folderFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    if (!opened.IsValid()) {
        return SystemError("cannot open", name, errno);
    }
    if (::fstat(opened.Get(), &info) != 0) {
        return SystemError("cannot examine", name, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure{notAFileErr, 0, name + " is not a regular file"};
    }
    // Reads of a regular file never wait anyway; the flag goes so that the descriptor behaves as
    // any other for whoever it is handed to.
    int flags = ::fcntl(opened.Get(), F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) != 0) {
        ::fcntl(opened.Get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    fd = std::move(opened);
    return {};
}

ssize_t ReadAt(int fd, void* data, size_t length, off_t offset)
{
    auto* out = static_cast<char*>(data);
    size_t done = 0;
    while (done < length) {
        ssize_t got = ::pread(fd, out + done, std::min(length - done, kMaxReadChunk),
                              offset + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

Result<void> WriteAllAt(int fd, const char* bytes, size_t length, off_t at)
{
    while (length > 0) {
        ssize_t written = ::pwrite(fd, bytes, length, at);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ErrnoFailure("cannot write", errno);
        }
        if (written == 0) {
            return ErrnoFailure("cannot write", ENOSPC);
        }
        bytes += written;
        length -= static_cast<size_t>(written);
        at += written;
    }
    return {};
}

Result<void> ReadOpenFile(int fd, const std::string& label, size_t maxBytes,
                          const std::function<bool(std::span<const char>)>& sink)
{
    char buffer[65536];
    Result<void> result;
    size_t total = 0;
    for (;;) {
        ssize_t got = ReadAt(fd, buffer, sizeof buffer, static_cast<off_t>(total));
        if (got < 0) {
            result = SystemError("cannot read", label, errno);
            break;
        }
        if (got == 0) {
            break;
        }
        // The file may grow while it is read: the limit holds for what is read, not only for what
        // fstat said.
        if (static_cast<size_t>(got) > maxBytes - total) {
            result = TooLarge(label, maxBytes);
            break;
        }
        total += static_cast<size_t>(got);
        if (!sink(std::span<const char>(buffer, static_cast<size_t>(got)))) {
            break;
        }
    }
    ::explicit_bzero(buffer, sizeof buffer);
    return result;
}

Result<std::string> ReadRegularFile(int folderFd, const std::string& name, size_t maxBytes, struct stat* info)
{
    ScopedFd fd;
    struct stat opened {};
    if (Result<void> open = OpenRegularFile(folderFd, name, fd, opened); !open.Ok()) {
        return open.Error();
    }
    if (static_cast<unsigned long long>(opened.st_size) > maxBytes) {
        return TooLarge(name, maxBytes);
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(opened.st_size));
    Result<void> read = ReadOpenFile(fd.Get(), name, maxBytes, [&](std::span<const char> chunk) {
        bytes.append(chunk.data(), chunk.size());
        return true;
    });
    if (!read.Ok()) {
        return read.Error();
    }
    if (info != nullptr) {
        *info = opened;
    }
    return bytes;
}

Result<std::string> ReadRegularFile(const std::string& path, size_t maxBytes, struct stat* info)
{
    return ReadRegularFile(AT_FDCWD, path, maxBytes, info);
}

}  // namespace platform
