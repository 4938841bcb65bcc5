// Reading files that another process, or another user, may have put in place. Only regular files
// are read: the open never blocks (a FIFO or a device put in a file's place would hang every reader
// of it) and never follows a final symbolic link, and what is read is bounded by the caller.
#pragma once

#include "ScopedFd.h"

#include <MacTypes.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace platform {

// Why a file could not be read, and the line the user is told ("cannot open /a/b: No such file or
// directory", "/a/b is not a regular file").
struct FileError {
    enum class Kind { None, System, NotRegular, TooLarge };
    Kind kind = Kind::None;
    int number = 0;  // the errno value for Kind::System
    std::string reason;

    bool Failed() const { return kind != Kind::None; }
    // The status for the user: the errno table for a system error, ioErr otherwise.
    OSStatus Status() const;
};

// Opens name in folderFd (AT_FDCWD with a path) for reading: non-blocking, no final link, close on
// exec; then refuses anything that is not a regular file and clears the non-blocking flag. info
// holds the file's status. A link in the file's place is a system error ELOOP.
FileError OpenRegularFile(int folderFd, const std::string& name, ScopedFd& fd, struct stat& info);

// Reads up to length bytes at offset, retrying interrupted reads. The count read (short only at the
// end of the file), or -1 with errno set.
ssize_t ReadAt(int fd, void* data, size_t length, off_t offset);

// Writes all length bytes at offset, retrying interrupted writes. 0, or the errno value; ENOSPC when
// the system writes nothing.
int WriteAllAt(int fd, const char* bytes, size_t length, off_t at);

// Hands the file's bytes, from the start, to sink in chunks; a file that holds more than maxBytes
// (also one that grows past it while read) fails with Kind::TooLarge. The chunk buffer is wiped
// after use, so a secret read this way leaves no copy behind. sink answers false to stop early.
FileError ReadOpenFile(int fd, const std::string& label, size_t maxBytes,
                       const std::function<bool(std::span<const char>)>& sink);

// Opens and reads a whole regular file of at most maxBytes into bytes. info, when given, gets the
// file's status as opened.
FileError ReadRegularFile(int folderFd, const std::string& name, size_t maxBytes, std::string& bytes,
                          struct stat* info = nullptr);
FileError ReadRegularFile(const std::string& path, size_t maxBytes, std::string& bytes, struct stat* info = nullptr);

}  // namespace platform
