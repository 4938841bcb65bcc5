#include "desktop/AnswerFile.h"

#include "base/ErrnoStatus.h"
#include "base/RegularFile.h"
#include "carbon/FileBackedBlocks.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>

namespace platform::desktop {

Result<void> AnswerFile::Open(std::string_view header)
{
    mFd = ScopedFd(::memfd_create("stashwell-clipboard-flavor", MFD_CLOEXEC));
    mSize = 0;
    if (!mFd.IsValid()) {
        return ErrnoFailure("no file could be made to hold the clipboard's content", errno);
    }
    return Take(header);
}

Result<void> AnswerFile::Take(std::string_view piece)
{
    if (Result<void> written = WriteAllAt(mFd.Get(), piece.data(), piece.size(), static_cast<off_t>(mSize));
        !written.Ok()) {
        return ErrnoFailure("the clipboard's content could not be kept", written.Errno());
    }
    mSize += piece.size();
    return {};
}

bool AnswerFile::ReadInto(void* destination, size_t length) const
{
    length = std::min(length, mSize);
    if (length == mSize && MapFileIntoBlock(destination, length, mFd.Get())) {
        return true;
    }
    const ssize_t count = ReadAt(mFd.Get(), destination, length, 0);
    if (count >= 0 && static_cast<size_t>(count) < length) {
        errno = EIO;  // the file is this process's alone: it cannot have been cut short
    }
    return count >= 0 && static_cast<size_t>(count) == length;
}

}  // namespace platform::desktop
