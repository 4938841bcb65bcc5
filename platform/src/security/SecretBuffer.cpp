#include "security/SecretBuffer.h"

#include <sodium.h>

#include <cstring>

namespace platform::security {

bool EnsureSodium()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

SecretBuffer::SecretBuffer(size_t size)
{
    if (!EnsureSodium()) {
        return;
    }
    // sodium_malloc(0) answers a valid pointer, which keeps empty secrets distinct from failures.
    mData = static_cast<uint8_t*>(sodium_malloc(size));
    if (mData != nullptr) {
        mSize = size;
        sodium_memzero(mData, size);
    }
}

SecretBuffer SecretBuffer::CopyOf(std::span<const uint8_t> bytes)
{
    SecretBuffer copy(bytes.size());
    if (copy.Valid() && !bytes.empty()) {
        std::memcpy(copy.Data(), bytes.data(), bytes.size());
    }
    return copy;
}

void SecretBuffer::Reset()
{
    if (mData != nullptr) {
        // sodium_free wipes the whole allocation before freeing it.
        sodium_free(std::exchange(mData, nullptr));
    }
    mSize = 0;
}

}  // namespace platform::security
