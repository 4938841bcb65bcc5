// Reading files that another process, or another user, may have put in place. Only regular files
// are read: the open never blocks (a FIFO or a device put in a file's place would hang every reader
// of it) and never follows a final symbolic link, and what is read is bounded by the caller.
#pragma once

#include "Result.h"
#include "ScopedFd.h"

#include <MacTypes.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace platform {

// A file that cannot be read fails with the system's error (its errno kept), with notAFileErr when
// it is not a regular file, or with fsDataTooBigErr when it holds more than the caller allows; the
// reason is the line the user is told ("cannot open /a/b: No such file or directory", "/a/b is not
// a regular file").

// Opens name in folderFd (AT_FDCWD with a path) for reading: non-blocking, no final link, close on
// exec; then refuses anything that is not a regular file and clears the non-blocking flag. info
// holds the file's status. A link in the file's place is a system error ELOOP.
Result<void> OpenRegularFile(int folderFd, const std::string& name, ScopedFd& fd, struct stat& info);

// Reads up to length bytes at offset, retrying interrupted reads. The count read (short only at the
// end of the file), or -1 with errno set.
ssize_t ReadAt(int fd, void* data, size_t length, off_t offset);

// Writes all length bytes at offset, retrying interrupted writes; ENOSPC when the system writes
// nothing.
Result<void> WriteAllAt(int fd, const char* bytes, size_t length, off_t at);

// Hands the file's bytes, from the start, to sink in chunks; a file that holds more than maxBytes
// (also one that grows past it while read) fails with fsDataTooBigErr. The chunk buffer is wiped
// after use, so a secret read this way leaves no copy behind. sink answers false to stop early.
Result<void> ReadOpenFile(int fd, const std::string& label, size_t maxBytes,
                          const std::function<bool(std::span<const char>)>& sink);

// Opens and reads a whole regular file of at most maxBytes. info, when given, gets the file's status
// as opened.
Result<std::string> ReadRegularFile(int folderFd, const std::string& name, size_t maxBytes,
                                    struct stat* info = nullptr);
Result<std::string> ReadRegularFile(const std::string& path, size_t maxBytes, struct stat* info = nullptr);

}  // namespace platform
