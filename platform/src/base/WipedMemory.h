// Memory that is zeroed before it is given back. Data and strings pass through the platform on
// their way into and out of the keychain (a secure note's payload is a property list), so what they
// held must not stay readable in freed blocks of the heap.
#pragma once

#include <cstddef>
#include <string.h>

#include <string>

namespace platform {

inline void WipeBytes(void* bytes, size_t size)
{
    if (bytes != nullptr && size > 0) {
        ::explicit_bzero(bytes, size);
    }
}

// The standard allocator, zeroing every block before freeing it: a container using it leaves
// nothing behind when it grows into a new block or goes away.
template <class T>
struct WipingAllocator {
    using value_type = T;

    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept
    {
    }

    T* allocate(size_t count) { return std::allocator<T>().allocate(count); }
    void deallocate(T* block, size_t count) noexcept
    {
        WipeBytes(block, count * sizeof(T));
        std::allocator<T>().deallocate(block, count);
    }

    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept
    {
        return true;
    }
};

// A byte string that wipes every block it had.
using WipedString = std::basic_string<char, std::char_traits<char>, WipingAllocator<char>>;

// Wipes a string's whole buffer (its spare capacity too) and leaves it empty, for a standard string
// that held something secret and is about to go.
template <class Char>
void WipeString(std::basic_string<Char>& text)
{
    text.resize(text.capacity());
    WipeBytes(text.data(), text.size() * sizeof(Char));
    text.clear();
}

}  // namespace platform
