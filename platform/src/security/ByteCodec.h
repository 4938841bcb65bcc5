// Little-endian encoding of the keychain file's records. The reader never reads past its input:
// every length and count is checked against what is left before anything is allocated for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform::security {

class ByteWriter {
public:
    void U8(uint8_t value) { mBytes.push_back(value); }
    void U16(uint16_t value) { Little(value, 2); }
    void U32(uint32_t value) { Little(value, 4); }
    void U64(uint64_t value) { Little(value, 8); }
    void Bytes(std::span<const uint8_t> bytes) { mBytes.insert(mBytes.end(), bytes.begin(), bytes.end()); }
    // A length-prefixed (32-bit) byte string.
    void Blob(std::span<const uint8_t> bytes)
    {
        U32(static_cast<uint32_t>(bytes.size()));
        Bytes(bytes);
    }
    void String(const std::string& text)
    {
        Blob(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    std::vector<uint8_t>& Output() { return mBytes; }

private:
    void Little(uint64_t value, int size)
    {
        for (int i = 0; i < size; ++i) {
            mBytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    std::vector<uint8_t> mBytes;
};

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    size_t Remaining() const { return mBytes.size() - mPos; }
    bool AtEnd() const { return mPos == mBytes.size(); }

    bool U8(uint8_t& value)
    {
        uint64_t wide = 0;
        bool ok = Little(wide, 1);
        value = static_cast<uint8_t>(wide);
        return ok;
    }
    bool U16(uint16_t& value)
    {
        uint64_t wide = 0;
        bool ok = Little(wide, 2);
        value = static_cast<uint16_t>(wide);
        return ok;
    }
    bool U32(uint32_t& value)
    {
        uint64_t wide = 0;
        bool ok = Little(wide, 4);
        value = static_cast<uint32_t>(wide);
        return ok;
    }
    bool U64(uint64_t& value) { return Little(value, 8); }
    // A view of the next size bytes.
    bool Bytes(size_t size, std::span<const uint8_t>& out)
    {
        if (size > Remaining()) {
            return false;
        }
        out = mBytes.subspan(mPos, size);
        mPos += size;
        return true;
    }
    // A length-prefixed byte string of at most maxLength bytes.
    bool Blob(size_t maxLength, std::span<const uint8_t>& out)
    {
        uint32_t length = 0;
        return U32(length) && length <= maxLength && Bytes(length, out);
    }
    bool String(size_t maxLength, std::string& out)
    {
        std::span<const uint8_t> bytes;
        if (!Blob(maxLength, bytes)) {
            return false;
        }
        out.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    }
    // A count of at most maxCount elements, each taking at least minElementSize bytes, so that
    // a count cannot ask for more elements than the rest of the input could hold.
    bool Count(uint32_t maxCount, size_t minElementSize, uint32_t& count)
    {
        return U32(count) && count <= maxCount && (minElementSize == 0 || count <= Remaining() / minElementSize);
    }

private:
    bool Little(uint64_t& value, int size)
    {
        if (static_cast<size_t>(size) > Remaining()) {
            return false;
        }
        value = 0;
        for (int i = 0; i < size; ++i) {
            value |= static_cast<uint64_t>(mBytes[mPos + i]) << (8 * i);
        }
        mPos += size;
        return true;
    }

    std::span<const uint8_t> mBytes;
    size_t mPos = 0;
};

}  // namespace platform::security
