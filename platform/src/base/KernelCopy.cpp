#include "base/KernelCopy.h"

#include "base/RegularFile.h"

#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>

namespace platform {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;
// One call moves at most this much, as read and write do.
constexpr size_t kMaxCopyChunk = size_t{1} << 30;

std::atomic<int> gRefusal{0};
std::atomic<bool> gRefuseSendfile{false};
std::atomic<long> gRefusedCount{0};

bool KernelRefuses(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

// copy_file_range from *fromOffset to *toOffset, both advanced; the count moved or -1 with errno.
ssize_t KernelCopy(int from, off_t* fromOffset, int to, off_t* toOffset, size_t length)
{
    if (int refusal = gRefusal.load()) {
        ++gRefusedCount;
        errno = refusal;
        return -1;
    }
    return ::copy_file_range(from, fromOffset, to, toOffset, std::min(length, kMaxCopyChunk), 0);
}

// sendfile from *fromOffset (advanced) to the destination's own offset; the count moved or -1.
ssize_t KernelSend(int from, off_t* fromOffset, int to, size_t length)
{
    if (int refusal = gRefusal.load(); refusal != 0 && gRefuseSendfile.load()) {
        ++gRefusedCount;
        errno = refusal;
        return -1;
    }
    return ::sendfile(to, from, fromOffset, std::min(length, kMaxCopyChunk));
}

// The second way in the kernel, which copy_file_range's refusal across file systems of different
// kinds (a clip package on disk, the clipboard in a memory file system) leaves open. It writes at
// the destination's own offset, which is put at toOffset first: both writers here write only by
// position, so that offset is theirs to move. Answers 0, the errno value, or -1 when the kernel
// refuses this way too (what is left then goes through the buffer).
int SendRest(int from, off_t& fromOffset, int to, off_t& toOffset, size_t& length)
{
    if (::lseek(to, toOffset, SEEK_SET) < 0) {
        return -1;
    }
    while (length > 0) {
        ssize_t moved = KernelSend(from, &fromOffset, to, length);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved < 0) {
            return KernelRefuses(errno) ? -1 : errno;
        }
        if (moved == 0) {
            return -1;
        }
        toOffset += moved;
        length -= static_cast<size_t>(moved);
    }
    return 0;
}

// The plain copy: through one buffer, a megabyte at a time.
int CopyThroughBuffer(int from, off_t fromOffset, int to, off_t toOffset, size_t length)
{
    std::unique_ptr<char[]> buffer(new char[std::min(length, kBufferBytes)]);
    while (length > 0) {
        ssize_t got = ReadAt(from, buffer.get(), std::min(length, kBufferBytes), fromOffset);
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            return ENODATA;
        }
        if (Result<void> written = WriteAllAt(to, buffer.get(), static_cast<size_t>(got), toOffset); !written.Ok()) {
            return written.Errno();
        }
        fromOffset += got;
        toOffset += got;
        length -= static_cast<size_t>(got);
    }
    return 0;
}

// The copy itself: 0, or the errno value.
int CopyBytes(int from, int to, off_t at, size_t length)
{
    off_t fromOffset = 0;
    off_t toOffset = at;
    while (length > 0) {
        ssize_t moved = KernelCopy(from, &fromOffset, to, &toOffset, length);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved < 0 && !KernelRefuses(errno)) {
            return errno;
        }
        if (moved <= 0) {
            // Refused, or nothing moved though bytes are left (the source ended early, or a file
            // system that copies nothing this way): sendfile, then the buffer, tell which.
            int sent = SendRest(from, fromOffset, to, toOffset, length);
            return sent >= 0 ? sent : CopyThroughBuffer(from, fromOffset, to, toOffset, length);
        }
        length -= static_cast<size_t>(moved);
    }
    return 0;
}

}  // namespace

Result<void> CopyFileBytes(int from, int to, off_t at, size_t length)
{
    if (int error = CopyBytes(from, to, at, length)) {
        return ErrnoFailure("cannot copy the file's bytes", error);
    }
    return {};
}

long RefuseKernelCopiesForTesting(int error, KernelWays ways)
{
    gRefusal.store(error);
    gRefuseSendfile.store(ways == KernelWays::All);
    return gRefusedCount.exchange(0);
}

}  // namespace platform
