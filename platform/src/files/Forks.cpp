// Data forks: opening a file's content, its size, reading and writing at a position, closing.
// Only the data fork exists; its name is empty.
//
// Closing a fork that was written flushes it to the disk, so that a clip recorded as saved is on the
// disk; the folder that holds it is flushed by whoever records the package.
#include "base/ErrnoStatus.h"
#include "base/KernelCopy.h"
#include "carbon/FileBackedBlocks.h"
#include "files/ForkTable.h"
#include "files/Items.h"

#include <Carbon/Files.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

using namespace platform::files;

namespace {

// One system call moves at most this much; larger requests loop.
constexpr size_t kMaxTransfer = size_t{1} << 30;

struct Access {
    int flags = O_RDONLY;
    bool read = true;
    bool write = false;
};

OSErr AccessFor(SInt8 permissions, bool locked, Access& access)
{
    switch (permissions) {
    case fsCurPerm:
        // As much as the file allows: a locked file opens for reading only.
        access = locked ? Access{O_RDONLY, true, false} : Access{O_RDWR, true, true};
        return noErr;
    case fsRdPerm:
        access = Access{O_RDONLY, true, false};
        return noErr;
    case fsWrPerm:
    case fsRdWrPerm:
        // Checked here and not left to the system, which lets root write anything.
        if (locked) {
            return permErr;
        }
        access = permissions == fsWrPerm ? Access{O_WRONLY, false, true} : Access{O_RDWR, true, true};
        return noErr;
    default:
        return paramErr;
    }
}

// The position a transfer starts at; posErr before the start of the fork.
OSErr StartPosition(OpenFork& fork, UInt16 positionMode, SInt64 offset, SInt64& position)
{
    SInt64 base = 0;
    switch (positionMode & 0x03) {
    case fsAtMark:
        position = fork.mark;
        return noErr;
    case fsFromStart:
        base = 0;
        break;
    case fsFromMark:
        base = fork.mark;
        break;
    case fsFromLEOF: {
        struct stat info {};
        if (::fstat(fork.fd.Get(), &info) != 0) {
            return platform::StatusForErrno(errno);
        }
        base = info.st_size;
        break;
    }
    }
    if (__builtin_add_overflow(base, offset, &position) || position < 0) {
        return posErr;
    }
    return noErr;
}

// What both transfers check before taking the fork's lock: the count reset, the buffer, the fork
// and its access. On noErr, fork is set.
OSErr FindForkForTransfer(FSIORefNum forkRefNum, bool writing, ByteCount requestCount, const void* buffer,
                          ByteCount* actualCount, std::shared_ptr<OpenFork>& fork)
{
    if (actualCount != nullptr) {
        *actualCount = 0;
    }
    if (buffer == nullptr && requestCount > 0) {
        return paramErr;
    }
    fork = FindFork(forkRefNum);
    if (fork == nullptr) {
        return rfNumErr;
    }
    if (writing ? !fork->canWrite : !fork->canRead) {
        return writing ? wrPermErr : permErr;
    }
    return noErr;
}

// Moves up to count bytes in chunks, one positioned call (pread or pwrite) per chunk, retrying
// interrupted calls. A call that moves nothing ends the transfer with whenNothing.
template <typename Transfer>
OSErr TransferChunks(SInt64 position, ByteCount count, OSErr whenNothing, Transfer transfer, ByteCount& done)
{
    done = 0;
    while (done < count) {
        size_t chunk = std::min<ByteCount>(count - done, kMaxTransfer);
        ssize_t moved = transfer(done, chunk, position + static_cast<SInt64>(done));
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            return platform::StatusForErrno(errno);
        }
        if (moved == 0) {
            return whenNothing;
        }
        done += static_cast<ByteCount>(moved);
    }
    return noErr;
}

}  // namespace

extern "C" {

OSErr FSGetDataForkName(HFSUniStr255* dataForkName)
{
    if (dataForkName == nullptr) {
        return paramErr;
    }
    dataForkName->length = 0;
    return noErr;
}

OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName, SInt8 permissions,
                 FSIORefNum* forkRefNum)
{
    if (forkRefNum == nullptr) {
        return paramErr;
    }
    *forkRefNum = 0;
    Item item;
    if (OSErr status = ResolveRef(ref, item); status != noErr) {
        return status;
    }
    if (forkNameLength != 0) {
        return errFSForkNotFound;
    }
    // A folder, a link or anything else that is not a plain file has no fork to open.
    if (!S_ISREG(item.info.st_mode)) {
        return notAFileErr;
    }
    Access access;
    if (OSErr status = AccessFor(permissions, IsLocked(item.info), access); status != noErr) {
        return status;
    }
    ScopedFd parent;
    std::string name;
    struct stat parentInfo {};
    if (OSErr status = OpenParent(item, parent, name, parentInfo); status != noErr) {
        return status;
    }
    // O_NOFOLLOW and O_NONBLOCK: a link or a FIFO put in the file's place neither leads elsewhere
    // nor blocks the open; the identity check below then refuses it.
    ScopedFd fd(::openat(parent.Get(), name.c_str(), access.flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsValid()) {
        return platform::StatusForErrno(errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return platform::StatusForErrno(errno);
    }
    if (!IsSameItem(info, item.info) || !S_ISREG(info.st_mode)) {
        return fnfErr;
    }
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    FSIORefNum refNum = AddFork(std::make_shared<OpenFork>(std::move(fd), access.read, access.write));
    if (refNum == 0) {
        return tmfoErr;
    }
    *forkRefNum = refNum;
    return noErr;
}

OSErr FSGetForkSize(FSIORefNum forkRefNum, SInt64* forkSize)
{
    if (forkSize == nullptr) {
        return paramErr;
    }
    std::shared_ptr<OpenFork> fork = FindFork(forkRefNum);
    if (fork == nullptr) {
        return rfNumErr;
    }
    struct stat info {};
    if (::fstat(fork->fd.Get(), &info) != 0) {
        return platform::StatusForErrno(errno);
    }
    *forkSize = info.st_size;
    return noErr;
}

OSErr FSReadFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset, ByteCount requestCount,
                 void* buffer, ByteCount* actualCount)
{
    std::shared_ptr<OpenFork> fork;
    if (OSErr status = FindForkForTransfer(forkRefNum, false, requestCount, buffer, actualCount, fork);
        status != noErr) {
        return status;
    }
    std::lock_guard lock(fork->mutex);
    SInt64 position = 0;
    if (OSErr status = StartPosition(*fork, positionMode, positionOffset, position); status != noErr) {
        return status;
    }
    auto* bytes = static_cast<char*>(buffer);
    const int fd = fork->fd.Get();
    ByteCount done = 0;
    OSErr status = noErr;
    // A whole file read into a whole large block: the block takes the file's pages instead of a
    // copy of them (FileBackedBlocks.h).
    if (position == 0 && platform::MapFileIntoBlock(buffer, requestCount, fd)) {
        done = requestCount;
    } else {
        status = TransferChunks(
            position, requestCount, eofErr,
            [&](ByteCount offset, size_t chunk, SInt64 at) { return ::pread(fd, bytes + offset, chunk, at); }, done);
    }
    fork->mark = position + static_cast<SInt64>(done);
    if (actualCount != nullptr) {
        *actualCount = done;
    }
    return status;
}

OSErr FSWriteFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset, ByteCount requestCount,
                  const void* buffer, ByteCount* actualCount)
{
    std::shared_ptr<OpenFork> fork;
    if (OSErr status = FindForkForTransfer(forkRefNum, true, requestCount, buffer, actualCount, fork);
        status != noErr) {
        return status;
    }
    std::lock_guard lock(fork->mutex);
    SInt64 position = 0;
    if (OSErr status = StartPosition(*fork, positionMode, positionOffset, position); status != noErr) {
        return status;
    }
    if (requestCount > static_cast<ByteCount>(std::numeric_limits<SInt64>::max() - position)) {
        return posErr;
    }
    const size_t allowed = ReserveWriteBytes(requestCount);
    const auto* bytes = static_cast<const char*>(buffer);
    const int fd = fork->fd.Get();
    ByteCount done = 0;
    OSErr status = noErr;
    // A whole block that still holds a file's bytes is copied from that file in the kernel.
    platform::ScopedFd source = allowed == requestCount ? platform::FileBehindBlock(buffer, requestCount)
                                                        : platform::ScopedFd();
    if (source.IsValid()) {
        platform::Result<void> copied =
            platform::CopyFileBytes(source.Get(), fd, static_cast<off_t>(position), requestCount);
        status = copied.Status();
        done = copied.Ok() ? requestCount : 0;
    } else {
        // A device that takes nothing and reports no error is full for our purposes.
        status = TransferChunks(
            position, allowed, dskFulErr,
            [&](ByteCount offset, size_t chunk, SInt64 at) { return ::pwrite(fd, bytes + offset, chunk, at); },
            done);
    }
    RefundWriteBytes(allowed - done);
    fork->written = fork->written || done > 0;
    if (status == noErr && done < requestCount) {
        status = dskFulErr;  // the budget ran out
    }
    fork->mark = position + static_cast<SInt64>(done);
    if (actualCount != nullptr) {
        *actualCount = done;
    }
    return status;
}

OSErr FSCloseFork(FSIORefNum forkRefNum)
{
    std::shared_ptr<OpenFork> fork = RemoveFork(forkRefNum);
    if (fork == nullptr) {
        return rfNumErr;
    }
    // A transfer still running on another thread keeps the descriptor until it ends.
    std::lock_guard lock(fork->mutex);
    // A failed flush is the close's failure: the bytes may never reach the disk.
    if (fork->written && ::fsync(fork->fd.Get()) != 0) {
        OSErr status = platform::StatusForErrno(errno);
        fork->fd.Close();
        return status;
    }
    return fork->fd.Close() ? noErr : platform::StatusForErrno(errno);
}

}  // extern "C"
