// Bytes of a password held by the host, in the platform's secret memory: guarded, kept out of swap
// where the system allows, and wiped when they are replaced, outgrown or go away, so a password
// read from a file or typed at the terminal does not linger in freed memory. Compared in constant
// time.
#pragma once

#include <PlatformPasswords.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

namespace cmhost {

class SecretBytes {
public:
    SecretBytes() = default;
    ~SecretBytes() { PlatformSecretFree(mData); }
    SecretBytes(SecretBytes&& other) noexcept
        : mData(std::exchange(other.mData, nullptr)), mSize(std::exchange(other.mSize, 0)),
          mCapacity(std::exchange(other.mCapacity, 0))
    {
    }
    SecretBytes& operator=(SecretBytes&& other) noexcept
    {
        if (this != &other) {
            PlatformSecretFree(mData);
            mData = std::exchange(other.mData, nullptr);
            mSize = std::exchange(other.mSize, 0);
            mCapacity = std::exchange(other.mCapacity, 0);
        }
        return *this;
    }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    // Room for capacity bytes, so that appending up to it never moves the bytes.
    void Reserve(size_t capacity)
    {
        if (capacity > mCapacity)
            Grow(capacity);
    }
    void Append(char byte) { Append(&byte, 1); }
    void Append(const char* bytes, size_t count)
    {
        if (count == 0)
            return;
        if (mSize + count > mCapacity)
            Grow(std::max(mSize + count, mCapacity * 2));
        std::memcpy(mData + mSize, bytes, count);
        mSize += count;
    }
    void DropLast(size_t count)
    {
        size_t dropped = std::min(count, mSize);
        mSize -= dropped;
        if (dropped > 0)
            explicit_bzero(mData + mSize, dropped);
    }

    const char* Data() const { return mData != nullptr ? mData : ""; }
    size_t Size() const { return mSize; }
    bool Empty() const { return mSize == 0; }
    // Constant time in the bytes; only the lengths may tell.
    bool operator==(const SecretBytes& other) const
    {
        return mSize == other.mSize && PlatformSecretsEqual(mData, other.mData, mSize);
    }

    // Forgets the bytes, wiping them; the room stays.
    void Wipe()
    {
        if (mData != nullptr)
            explicit_bzero(mData, mCapacity);
        mSize = 0;
    }

private:
    // Moves the bytes to new secret memory; the old memory is wiped as it is freed.
    void Grow(size_t capacity)
    {
        auto* bigger = static_cast<char*>(PlatformSecretAllocate(capacity));
        if (bigger == nullptr)
            throw std::bad_alloc();
        if (mSize > 0)
            std::memcpy(bigger, mData, mSize);
        PlatformSecretFree(mData);
        mData = bigger;
        mCapacity = capacity;
    }

    char* mData = nullptr;
    size_t mSize = 0;
    size_t mCapacity = 0;
};

}  // namespace cmhost
