// The one owner of memory that a C library hands out to be given back with free(): realpath's
// answer, xcb's replies and events, libplist's keys and iterators, the kernel keyring's reads, the
// keyboard map's text.
#pragma once

#include <cstdlib>
#include <memory>

namespace platform {

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

template <class T>
using MallocOwned = std::unique_ptr<T, FreeDeleter>;

}  // namespace platform
