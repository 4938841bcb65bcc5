// Replacing a file all at once: the new content goes to a temporary file in the same folder
// (0600), is flushed, and is renamed over the old one; the folder is flushed after. Until Commit
// succeeds the old file is untouched, and the temporary file is removed on every failure path.
#pragma once

#include <MacTypes.h>

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>

namespace platform::security {

// The nearest status for an errno value met while reading or writing a keychain file.
OSStatus StatusFromErrno(int error);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

// Removes the temporary files of path that a writer killed before its Commit left behind. Call only
// while holding the lock that every rewrite of path holds, so that no live writer's file is taken.
void RemoveAbandonedTemporaries(const std::string& path);

class AtomicFile {
public:
    explicit AtomicFile(std::string path) : mPath(std::move(path)) {}
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Writes and flushes the temporary file.
    OSStatus Prepare(std::span<const uint8_t> bytes);
    // The temporary file's identity, which the file keeps once renamed (valid after Prepare).
    const struct stat& PreparedStat() const { return mStat; }
    // Renames the temporary file into place and flushes the folder. With mustNotExist an existing
    // file is left alone and the answer is errSecDuplicateKeychain.
    OSStatus Commit(bool mustNotExist);

private:
    std::string mPath;
    std::string mTempPath;
    struct stat mStat {};
    bool mCommitted = false;
};

}  // namespace platform::security
