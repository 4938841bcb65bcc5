#include "base/AtomicFileWriter.h"

#include "base/KernelCopy.h"
#include "base/PathParts.h"
#include "base/RegularFile.h"
#include "base/TemporaryFiles.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

namespace platform {
namespace {

constexpr size_t kMaxWriteChunk = size_t{1} << 30;

std::mutex gFaultMutex;
WriteStage gFailingStage = WriteStage::None;
int gFailingError = 0;

// The error a test asked this stage to fail with, once; 0 when it runs as usual.
int InjectedFault(WriteStage stage)
{
    std::lock_guard lock(gFaultMutex);
    if (gFailingStage != stage) {
        return 0;
    }
    gFailingStage = WriteStage::None;
    return gFailingError;
}

// 0, or the errno value.
int RenameWithoutReplacing(int fromFolderFd, const std::string& from, int toFolderFd, const std::string& to)
{
    if (::renameat2(fromFolderFd, from.c_str(), toFolderFd, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system without exclusive rename: a hard link also refuses to replace a file.
    if (::linkat(fromFolderFd, from.c_str(), toFolderFd, to.c_str(), 0) == 0) {
        ::unlinkat(fromFolderFd, from.c_str(), 0);
        return 0;
    }
    const int linkError = errno;
    struct stat info {};
    if (::fstatat(fromFolderFd, from.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(info.st_mode)) {
        return linkError;
    }
    if (::fstatat(toFolderFd, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    if (errno != ENOENT) {
        return errno;
    }
    if (::renameat(fromFolderFd, from.c_str(), toFolderFd, to.c_str()) == 0) {
        return 0;
    }
    // Only a folder with items in it can have taken the name since the look.
    return errno == ENOTEMPTY ? EEXIST : errno;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(int folderFd, std::string name) : mFolderFd(folderFd), mName(std::move(name)) {}

AtomicFileWriter::AtomicFileWriter(const std::string& path)
    : mOwnedFolder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
      mFolderFd(mOwnedFolder.Get()),
      mName(NameOf(path)),
      mFolderError(mOwnedFolder.IsValid() ? 0 : errno)
{
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (!mTemporaryName.empty() && !mCommitted) {
        ::unlinkat(mFolderFd, mTemporaryName.c_str(), 0);
    }
}

Failure AtomicFileWriter::Fail(WriteStage stage, int error)
{
    mFailedStage = stage;
    if (!mTemporaryName.empty()) {
        ::unlinkat(mFolderFd, mTemporaryName.c_str(), 0);
        mTemporaryName.clear();
    }
    static constexpr const char* kWhat[] = {"cannot write ", "cannot create a temporary file for ", "cannot write ",
                                            "cannot flush ", "cannot put in place "};
    return ErrnoFailure(kWhat[static_cast<int>(stage)] + mName, error != 0 ? error : EIO);
}

Result<void> AtomicFileWriter::Prepare(const void* bytes, size_t length)
{
    return PrepareWith([&](int fd) -> int {
        const char* next = static_cast<const char*>(bytes);
        for (size_t done = 0; done < length;) {
            if (int injected = InjectedFault(WriteStage::Write)) {
                return injected;
            }
            const size_t chunk = std::min(length - done, kMaxWriteChunk);
            if (Result<void> written = WriteAllAt(fd, next + done, chunk, static_cast<off_t>(done)); !written.Ok()) {
                return written.Errno();
            }
            done += chunk;
        }
        return 0;
    });
}

Result<void> AtomicFileWriter::PrepareCopy(int sourceFd, size_t length)
{
    return PrepareWith([&](int fd) -> int {
        if (int injected = InjectedFault(WriteStage::Write)) {
            return injected;
        }
        return CopyFileBytes(sourceFd, fd, 0, length).Errno();
    });
}

Result<void> AtomicFileWriter::PrepareWith(const std::function<int(int fd)>& fill)
{
    if (mFolderFd < 0) {
        return Fail(WriteStage::Create, mFolderError != 0 ? mFolderError : EBADF);
    }
    ScopedFd fd;
    for (int attempt = 0; attempt < 100 && !fd.IsValid(); ++attempt) {
        std::string name = TemporaryNameFor(mName);
        if (int injected = InjectedFault(WriteStage::Create)) {
            return Fail(WriteStage::Create, injected);
        }
        fd = ScopedFd(::openat(mFolderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.IsValid()) {
            mTemporaryName = name;
        } else if (errno != EEXIST) {
            return Fail(WriteStage::Create, errno);
        }
    }
    if (!fd.IsValid()) {
        return Fail(WriteStage::Create, EEXIST);
    }
    // The umask may only take bits away; the file has the mode asked for whatever it says.
    if (::fchmod(fd.Get(), mMode) != 0) {
        return Fail(WriteStage::Create, errno);
    }
    if (int error = fill(fd.Get())) {
        return Fail(WriteStage::Write, error);
    }
    if (int injected = InjectedFault(WriteStage::Sync)) {
        return Fail(WriteStage::Sync, injected);
    }
    if ((mDurability == Durability::Flushed && ::fsync(fd.Get()) != 0) || ::fstat(fd.Get(), &mInfo) != 0 ||
        !fd.Close()) {
        return Fail(WriteStage::Sync, errno);
    }
    return {};
}

Result<void> AtomicFileWriter::Commit(bool replace)
{
    if (mTemporaryName.empty()) {
        mFailedStage = WriteStage::Rename;
        return ErrnoFailure("cannot put in place " + mName + " before it is written", EINVAL);
    }
    if (int injected = InjectedFault(WriteStage::Rename)) {
        return Fail(WriteStage::Rename, injected);
    }
    int error = replace ? (::renameat(mFolderFd, mTemporaryName.c_str(), mFolderFd, mName.c_str()) == 0 ? 0 : errno)
                        : RenameNoReplace(mFolderFd, mTemporaryName, mFolderFd, mName).Errno();
    if (error != 0) {
        return Fail(WriteStage::Rename, error);
    }
    mCommitted = true;
    // The rename is done and the new file is what readers see; a folder that cannot be flushed
    // (some file systems refuse it) does not undo that.
    if (mDurability == Durability::Flushed) {
        ::fsync(mFolderFd);
    }
    return {};
}

Result<void> RenameNoReplace(int fromFolderFd, const std::string& from, int toFolderFd, const std::string& to)
{
    if (int error = RenameWithoutReplacing(fromFolderFd, from, toFolderFd, to); error != 0) {
        return ErrnoFailure("cannot rename " + from + " to " + to, error);
    }
    return {};
}

namespace {

Result<void> PrepareAndCommit(AtomicFileWriter& writer, const void* bytes, size_t length, WriteStage* failedAt)
{
    Result<void> written = writer.Prepare(bytes, length);
    if (written.Ok()) {
        written = writer.Commit();
    }
    if (failedAt != nullptr) {
        *failedAt = writer.FailedStage();
    }
    return written;
}

}  // namespace

Result<void> WriteFileAtomically(int folderFd, const std::string& name, const void* bytes, size_t length,
                                 WriteStage* failedAt, Durability durability)
{
    AtomicFileWriter writer(folderFd, name);
    writer.SetDurability(durability);
    return PrepareAndCommit(writer, bytes, length, failedAt);
}

Result<void> WriteFileAtomically(const std::string& path, const void* bytes, size_t length, WriteStage* failedAt)
{
    AtomicFileWriter writer(path);
    return PrepareAndCommit(writer, bytes, length, failedAt);
}

void FailNextAtomicWriteForTesting(WriteStage stage, int error)
{
    std::lock_guard lock(gFaultMutex);
    gFailingStage = stage;
    gFailingError = error;
}

}  // namespace platform
