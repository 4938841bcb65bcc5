// Reading a whole file that another process may have written, with a size limit so that a huge
// or endless file (a FIFO, /dev/zero) cannot exhaust memory.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Reads the regular file at path into bytes. False when it cannot be opened or read, is not a
// regular file, or is larger than maxBytes; error then holds one line naming the cause.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& error);

}  // namespace platform
