// The process table of open forks behind FSIORefNum values, and the write budget that tests use
// to make writes fail as on a full disk.
#pragma once

#include "base/ScopedFd.h"

#include <Carbon/Files.h>

#include <cstddef>
#include <memory>
#include <mutex>

namespace platform::files {

struct OpenFork {
    explicit OpenFork(platform::ScopedFd file, bool readable, bool writable)
        : fd(std::move(file)), canRead(readable), canWrite(writable)
    {
    }
    std::mutex mutex;  // one transfer at a time moves the mark
    platform::ScopedFd fd;
    const bool canRead;
    const bool canWrite;
    SInt64 mark = 0;
    bool written = false;  // something was written: the close flushes it
};

// Enters a fork and answers its reference number, or 0 when every number is in use.
FSIORefNum AddFork(std::shared_ptr<OpenFork> fork);
// The fork a number stands for, or null. The fork stays usable by whoever holds it even if
// another thread closes the number meanwhile.
std::shared_ptr<OpenFork> FindFork(FSIORefNum refNum);
// Takes the fork out of the table (null when the number is not open).
std::shared_ptr<OpenFork> RemoveFork(FSIORefNum refNum);

// How many of wanted bytes the write budget lets through; the answer is taken off the budget.
size_t ReserveWriteBytes(size_t wanted);
// Gives back bytes reserved but not written.
void RefundWriteBytes(size_t unused);

}  // namespace platform::files
