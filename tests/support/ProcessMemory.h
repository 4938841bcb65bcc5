// Looks through this process's own heap for bytes that should no longer be anywhere: what freed
// blocks still hold is read as well as what live ones do. Thread stacks are left out, so a test
// keeps the bytes it looks for in local arrays and they are not found in the search itself.
#pragma once

#include <cstddef>
#include <string_view>

namespace testsupport {

inline constexpr size_t kUnreadable = static_cast<size_t>(-1);

// How many times the bytes occur in the process's private writable memory (the heap and anonymous
// mappings, including the allocator's free lists), stacks excepted; kUnreadable when the process
// cannot read its own memory.
size_t CountInProcessMemory(std::string_view needle);

}  // namespace testsupport
