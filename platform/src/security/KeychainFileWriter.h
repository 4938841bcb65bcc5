// Building the bytes of a keychain file: sealing item records and laying out the whole file.
#pragma once

#include "security/KeychainFormat.h"

#include <cstdint>
#include <span>
#include <vector>

namespace platform::security {

// Seals an item's plaintext (EncodeItem) for the file whose header bytes are given.
std::vector<uint8_t> SealItemRecord(std::span<const uint8_t> headerBytes, std::span<const uint8_t> masterKey,
                                    uint64_t id, std::span<const uint8_t> plaintext);

// An item record to place in a new file: its index entry (position, length and hash are filled in
// when the file is laid out) and its sealed bytes, owned by the caller.
struct PlacedItem {
    IndexEntry entry;
    std::span<const uint8_t> sealed;
    // The record no longer matches the hash its index entry holds: it keeps that hash in the new
    // file, so that it stays told apart as damaged instead of being vouched for afresh.
    bool damaged = false;
};

// The whole file: header, verifier, header hash, the index sealed afresh, and the records in order.
// Records already in a file are placed as they are, never opened.
std::vector<uint8_t> BuildKeychainFile(const KeychainHeader& header, std::span<const uint8_t> masterKey,
                                       uint64_t nextId, std::vector<PlacedItem>& items);

}  // namespace platform::security
