// Replacing a file whole or not at all, the one way every writer of the platform and the host does
// it: a temporary file in the same folder (exclusive create, no link followed, mode 0600 whatever
// the umask says), every byte written, flushed, renamed over the file (or beside it, refusing to
// replace one), and the folder flushed. Until the rename the old file is untouched; the temporary
// file is removed on every failure path.
#pragma once

#include "Result.h"
#include "ScopedFd.h"

#include <sys/stat.h>

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// The step a write failed at.
enum class WriteStage { None, Create, Write, Sync, Rename };

// Whether a write must reach the disk before it counts. Files that die with the session (the
// clipboard in the runtime folder) need only be whole for their readers, which the rename gives:
// flushing them would slow every copy and paste for nothing a crash could lose.
enum class Durability { Flushed, SessionOnly };

class AtomicFileWriter {
public:
    // The file name in the folder folderFd, which the writer borrows.
    AtomicFileWriter(int folderFd, std::string name);
    // The file at path; the writer opens its folder itself.
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // The mode the file gets instead of 0600 (a document keeps the mode of the file it replaces).
    void SetMode(mode_t mode) { mMode = mode; }
    void SetDurability(Durability durability) { mDurability = durability; }
    // Writes length bytes (straight from the caller's buffer) to the temporary file and flushes it.
    // A failure carries the errno value, with FailedStage() saying where.
    Result<void> Prepare(const void* bytes, size_t length);
    // The same with the first length bytes of the file sourceFd, copied in the kernel where it can
    // (KernelCopy.h), so that they never pass through this process.
    Result<void> PrepareCopy(int sourceFd, size_t length);
    // The temporary file's status, which the file keeps once renamed (valid after Prepare).
    const struct stat& PreparedInfo() const { return mInfo; }
    // Renames the temporary file into place and flushes the folder. With replace false an existing
    // file is left alone and the failure's errno is EEXIST.
    Result<void> Commit(bool replace = true);

    WriteStage FailedStage() const { return mFailedStage; }

private:
    Failure Fail(WriteStage stage, int error);
    // Creates the temporary file, has fill write its bytes (0 or the errno value), then flushes it.
    Result<void> PrepareWith(const std::function<int(int fd)>& fill);

    ScopedFd mOwnedFolder;
    int mFolderFd = -1;
    std::string mName;
    int mFolderError = 0;  // why the folder of a path could not be opened
    std::string mTemporaryName;
    struct stat mInfo {};
    mode_t mMode = 0600;
    Durability mDurability = Durability::Flushed;
    bool mCommitted = false;
    WriteStage mFailedStage = WriteStage::None;
};

// Renames from (in fromFolderFd) to to (in toFolderFd; AT_FDCWD with paths) without replacing
// anything; a failure carries the errno value, EEXIST when to is taken. Where the file system has no no-replace
// rename, a file moves by a hard link, which refuses to replace as well; a folder cannot be linked,
// so it moves once a look finds its new name free: whoever moves folders this way makes every such
// move under one lock, so that the name stays free until the rename.
Result<void> RenameNoReplace(int fromFolderFd, const std::string& from, int toFolderFd, const std::string& to);

// Prepare and Commit in one step, with *failedAt (when given) saying where a failure happened.
Result<void> WriteFileAtomically(int folderFd, const std::string& name, const void* bytes, size_t length,
                                 WriteStage* failedAt = nullptr, Durability durability = Durability::Flushed);
Result<void> WriteFileAtomically(const std::string& path, const void* bytes, size_t length,
                                 WriteStage* failedAt = nullptr);

// The next atomic write in this process fails at stage (once) with error, as if the system had
// answered it, so that tests reach every failure path of every writer.
void FailNextAtomicWriteForTesting(WriteStage stage, int error);

}  // namespace platform
