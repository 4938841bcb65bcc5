// The keychain file reader over any bytes. The first byte picks the layer: the whole file without a
// key or with a fixed one (which no random file matches, so mostly the preamble), or the decoders
// of the plaintext that sealed parts open to (header, index, item), which a file can only reach
// after its cryptography holds and which must still trust nothing.
#include "LiveObjectGuard.h"

#include "security/KeychainFileReader.h"
#include "security/KeychainRecords.h"

#include <array>
#include <cstddef>
#include <cstdint>

using namespace platform::security;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    LiveObjectGuard guard;
    std::span<const uint8_t> rest(data + 1, size - 1);
    static const std::array<uint8_t, kMasterKeySize> kKey = [] {
        std::array<uint8_t, kMasterKeySize> key{};
        key.fill(0x5a);
        return key;
    }();
    switch (data[0] % 5) {
    case 0:
        CheckKeychainBytes(rest.data(), rest.size(), nullptr);
        break;
    case 1:
        CheckKeychainBytes(rest.data(), rest.size(), kKey.data());
        break;
    case 2:
        DecodeHeader(rest);
        break;
    case 3: {
        // An index that reads is one this code could have written: its encoding reads again.
        platform::Result<KeychainIndex> index = DecodeIndex(rest);
        if (index.Ok() && !DecodeIndex(EncodeIndex(index.Value())).Ok()) {
            std::abort();
        }
        break;
    }
    case 4:
        DecodeItem(rest);
        break;
    }
    return 0;
}
