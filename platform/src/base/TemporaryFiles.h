// The names of the temporary files the atomic writer makes, and the sweep of those a dead writer
// left. A temporary file of "<name>" is "<name>.tmp-" followed by lowercase hexadecimal digits (the
// writer uses sixteen; older writers used fewer, and theirs are swept too).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A fresh temporary name for name, unpredictable to other processes.
std::string TemporaryNameFor(std::string_view name);
// Whether candidate is a temporary file of name.
bool IsTemporaryNameOf(std::string_view name, std::string_view candidate);

// Removes the temporary files of name in folderFd. Call only while holding the lock that every
// writer of name holds while it writes, so that no live writer's file is taken.
void RemoveAbandonedTemporaries(int folderFd, std::string_view name);

}  // namespace platform
