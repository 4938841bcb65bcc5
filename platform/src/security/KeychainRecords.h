// Encoding and decoding of the keychain file's header and of the plaintext of its sealed records.
// Decoding is bounded by KeychainFormat.h's limits and never reads past its input.
#pragma once

#include "security/KeychainFormat.h"
#include "base/Result.h"
#include "security/SecretBuffer.h"

#include <array>
#include <span>
#include <vector>

namespace platform::security {

std::array<uint8_t, kHeaderSize> EncodeHeader(const KeychainHeader& header);
// errSecInvalidKeychain for a header this version cannot hold (wrong magic, flags, cost out of
// bounds), errSecWrongSecVersion for a well-formed header of another version.
Result<KeychainHeader> DecodeHeader(std::span<const uint8_t> bytes);

std::vector<uint8_t> EncodeIndex(const KeychainIndex& index);
Result<KeychainIndex> DecodeIndex(std::span<const uint8_t> plaintext);

// The plaintext of an item's record, in secret memory since it holds the item's data.
SecretBuffer EncodeItem(uint32_t itemClass, const std::vector<ItemAttribute>& attributes,
                        std::span<const uint8_t> data, const AccessRecord& access);
Result<ItemRecord> DecodeItem(std::span<const uint8_t> plaintext);

// Associated data of an item's record: the fixed header and the item's id.
std::vector<uint8_t> ItemAssociatedData(std::span<const uint8_t> headerBytes, uint64_t id);

}  // namespace platform::security
