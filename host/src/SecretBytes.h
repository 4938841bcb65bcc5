// Bytes of a password held by the host: wiped when they are replaced or go away, so a password
// read from a file or typed at the terminal does not linger in freed memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string.h>
#include <string>
#include <utility>

namespace cmhost {

class SecretBytes {
public:
    SecretBytes() = default;
    ~SecretBytes() { Wipe(); }
    SecretBytes(SecretBytes&& other) noexcept : mBytes(std::move(other.mBytes)) { other.Wipe(); }
    SecretBytes& operator=(SecretBytes&& other) noexcept
    {
        if (this != &other) {
            Wipe();
            mBytes = std::move(other.mBytes);
            other.Wipe();
        }
        return *this;
    }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    // Called while still empty: with the room reserved first, appending never moves the bytes and
    // leaves a copy behind.
    void Reserve(size_t capacity) { mBytes.reserve(capacity); }
    void Append(char byte) { mBytes.push_back(byte); }
    void Append(const char* bytes, size_t count) { mBytes.append(bytes, count); }
    void DropLast(size_t count) { mBytes.resize(mBytes.size() - std::min(count, mBytes.size())); }

    const char* Data() const { return mBytes.data(); }
    size_t Size() const { return mBytes.size(); }
    bool Empty() const { return mBytes.empty(); }
    bool operator==(const SecretBytes& other) const { return mBytes == other.mBytes; }

    void Wipe()
    {
        explicit_bzero(mBytes.data(), mBytes.capacity());
        mBytes.clear();
    }

private:
    std::string mBytes;
};

}  // namespace cmhost
