// The keychain file, version 1. All integers are little-endian.
//
//   header (76 bytes, in clear)
//     magic "SWKEYCHN", version, flags (0)
//     file id (16 random bytes), Argon2id salt (16), opslimit (u64), memlimit (u64)
//         -- the first 64 bytes are the fixed header: they never change after creation
//     settings: version (u32), lock on sleep (u8), use lock interval (u8), reserved (u16 0),
//               lock interval (u32)
//   verifier (32): BLAKE2b of the fixed header keyed with a subkey of the master key
//   header hash (32): unkeyed BLAKE2b of header and verifier, which tells a damaged file from a
//                     wrong password
//   index length (u32), index record
//   item records, in index order, back to back up to the end of the file
//
// The master key is Argon2id(password, salt, opslimit, memlimit). Records are sealed with
// XChaCha20-Poly1305 (24-byte random nonce, then ciphertext and tag) under subkeys of it. The
// index is bound to the whole header; each item to the fixed header and its id. The index lists
// every item's id, position, length and hash with its class and attributes (so a search opens the
// index alone), and the layout must be exact: an item removed, moved, duplicated, rolled back or
// altered, or bytes added or cut, fail to open.
#pragma once

#include "security/SecretBuffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::security {

inline constexpr std::array<uint8_t, 8> kKeychainMagic{'S', 'W', 'K', 'E', 'Y', 'C', 'H', 'N'};
inline constexpr uint32_t kKeychainFormatVersion = 1;

inline constexpr size_t kFixedHeaderSize = 64;
inline constexpr size_t kHeaderSize = 76;
inline constexpr size_t kVerifierSize = 32;
inline constexpr size_t kHeaderHashSize = 32;
inline constexpr size_t kPreambleSize = kHeaderSize + kVerifierSize + kHeaderHashSize + 4;
inline constexpr size_t kMasterKeySize = 32;
inline constexpr size_t kSaltSize = 16;
inline constexpr size_t kFileIdSize = 16;
inline constexpr size_t kItemHashSize = 32;
inline constexpr size_t kNonceSize = 24;
inline constexpr size_t kTagSize = 16;
inline constexpr size_t kSealOverhead = kNonceSize + kTagSize;

// Bounds on what a file may ask for; anything beyond them is a damaged file.
inline constexpr uint64_t kMaxFileSize = 256ull << 20;
inline constexpr uint32_t kMaxItems = 100000;
inline constexpr uint32_t kMaxAttributes = 64;
inline constexpr size_t kMaxAttributeLength = 64 << 10;
inline constexpr size_t kMaxTextLength = 64 << 10;
inline constexpr uint32_t kMaxAclEntries = 64;
inline constexpr uint32_t kMaxAuthorizations = 64;
inline constexpr uint32_t kMaxApplications = 1024;
// Argon2id cost accepted from a header. Production creates files with kDefault...; tests may
// create cheaper ones, which stay readable because the cost travels with the file.
inline constexpr uint64_t kMinOpsLimit = 1;
inline constexpr uint64_t kMaxOpsLimit = 16;
inline constexpr uint64_t kMinMemLimit = 8192;
inline constexpr uint64_t kMaxMemLimit = 1ull << 30;

struct KeychainSettingsRecord {
    uint32_t version = 1;
    bool lockOnSleep = false;
    bool useLockInterval = false;
    uint32_t lockInterval = 0x7FFFFFFF;
};

struct KeychainHeader {
    std::array<uint8_t, kFileIdSize> fileId{};
    std::array<uint8_t, kSaltSize> salt{};
    uint64_t opsLimit = 0;
    uint64_t memLimit = 0;
    KeychainSettingsRecord settings;
};

struct ItemAttribute {
    uint32_t tag = 0;
    std::vector<uint8_t> value;
    bool operator==(const ItemAttribute&) const = default;
};

// One entry of the index: where an item's record is, its hash, and what searches match on.
struct IndexEntry {
    uint64_t id = 0;
    uint64_t offset = 0;
    uint32_t length = 0;
    std::array<uint8_t, kItemHashSize> hash{};
    uint32_t itemClass = 0;
    std::vector<ItemAttribute> attributes;
};

struct KeychainIndex {
    uint64_t nextId = 1;
    std::vector<IndexEntry> entries;  // in creation order
};

// An access-control entry as stored with an item.
struct AclEntryRecord {
    std::vector<int32_t> authorizations;
    bool anyApplication = false;            // no application list: every application goes through
    std::vector<std::string> applications;  // paths of the trusted applications
    std::string description;
    uint16_t promptVersion = 0;
    uint16_t promptFlags = 0;
};

struct AccessRecord {
    std::string descriptor;
    std::vector<AclEntryRecord> entries;
};

// An item's sealed content once opened. The data stays in secret memory.
struct ItemRecord {
    uint32_t itemClass = 0;
    std::vector<ItemAttribute> attributes;
    SecretBuffer data;
    AccessRecord access;
};

}  // namespace platform::security
