// Reading a keychain file from its bytes: the clear preamble, the index and single items. Every
// function takes bytes in and answers a value or a status; nothing here touches the file system,
// so the reader can be driven by a fuzzer.
#pragma once

#include "security/KeychainFormat.h"
#include "base/Result.h"

#include <MacTypes.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace platform::security {

struct ParsedPreamble {
    KeychainHeader header;
    std::array<uint8_t, kHeaderSize> headerBytes{};
    std::array<uint8_t, kVerifierSize> verifier{};
    uint32_t indexLength = 0;
};

// Parses the first kPreambleSize bytes of a file of fileSize bytes. errSecInvalidKeychain for a
// damaged file, errSecWrongSecVersion for a file of another format version.
Result<ParsedPreamble> ParsePreamble(std::span<const uint8_t> start, uint64_t fileSize);

// Whether the master key is this file's (the password verifier).
bool KeyMatchesFile(const ParsedPreamble& preamble, std::span<const uint8_t> masterKey);

// Opens the index of the whole file and checks the exact layout of the item records it lists.
Result<KeychainIndex> OpenIndex(std::span<const uint8_t> file, const ParsedPreamble& preamble,
                                std::span<const uint8_t> masterKey);
// As OpenIndex, from the start of a file of fileSize bytes that holds at least the preamble and the
// index: the layout of the records is checked against their sizes, which needs none of their bytes.
Result<KeychainIndex> OpenIndexOfStart(std::span<const uint8_t> start, uint64_t fileSize,
                                       const ParsedPreamble& preamble, std::span<const uint8_t> masterKey);

// Whether the record that the entry lists is, byte for byte, the one the index was written with.
// A change can then copy the record into a new file without opening it.
bool RecordMatchesEntry(std::span<const uint8_t> file, const IndexEntry& entry);

// Opens one item, listed in the index that OpenIndex answered for the same file. errSecDecode when
// that item's record is damaged: the rest of the file stays usable.
Result<ItemRecord> OpenItem(std::span<const uint8_t> file, const ParsedPreamble& preamble,
                            std::span<const uint8_t> masterKey, const IndexEntry& entry);

// Runs the whole reader over a file's bytes: the preamble; with a master key (kMasterKeySize bytes,
// or NULL), also the key check, the index and every item. noErr when all of it reads.
OSStatus CheckKeychainBytes(const uint8_t* data, size_t size, const uint8_t* masterKey);

}  // namespace platform::security
