// Owner of secret bytes (passwords, keys, decrypted items): sodium-allocated memory, kept out of
// swap where the system allows, wiped and freed when the owner goes away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace platform::security {

// Makes sure libsodium is initialised; false when it cannot be (no randomness source).
bool EnsureSodium();

class SecretBuffer {
public:
    SecretBuffer() = default;
    // size bytes, zero-filled. Valid() is false when the memory could not be had.
    explicit SecretBuffer(size_t size);
    ~SecretBuffer() { Reset(); }
    SecretBuffer(SecretBuffer&& other) noexcept
        : mData(std::exchange(other.mData, nullptr)), mSize(std::exchange(other.mSize, 0))
    {
    }
    SecretBuffer& operator=(SecretBuffer&& other) noexcept
    {
        if (this != &other) {
            Reset();
            mData = std::exchange(other.mData, nullptr);
            mSize = std::exchange(other.mSize, 0);
        }
        return *this;
    }
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;

    static SecretBuffer CopyOf(std::span<const uint8_t> bytes);

    bool Valid() const { return mData != nullptr; }
    uint8_t* Data() { return mData; }
    const uint8_t* Data() const { return mData; }
    size_t Size() const { return mSize; }
    std::span<const uint8_t> Bytes() const { return {mData, mSize}; }
    std::span<uint8_t> MutableBytes() { return {mData, mSize}; }
    // Shortens the visible size (the memory stays owned and is wiped whole).
    void Shrink(size_t size)
    {
        if (size < mSize) {
            mSize = size;
        }
    }
    // Gives the memory to the caller, who frees it with sodium_free.
    uint8_t* Release()
    {
        mSize = 0;
        return std::exchange(mData, nullptr);
    }
    void Reset();

private:
    uint8_t* mData = nullptr;
    size_t mSize = 0;
};

}  // namespace platform::security
