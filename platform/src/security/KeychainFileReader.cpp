#include "security/KeychainFileReader.h"

#include "security/ByteCodec.h"
#include "security/KeychainCrypto.h"
#include "security/KeychainRecords.h"

#include <Security/SecBase.h>

#include <algorithm>

namespace platform::security {
namespace {

const Failure kDamaged{errSecInvalidKeychain};

}  // namespace

Result<ParsedPreamble> ParsePreamble(std::span<const uint8_t> start, uint64_t fileSize)
{
    if (start.size() < kPreambleSize || fileSize < kPreambleSize || fileSize > kMaxFileSize) {
        return kDamaged;
    }
    ParsedPreamble preamble;
    std::copy_n(start.begin(), kHeaderSize, preamble.headerBytes.begin());
    std::copy_n(start.begin() + kHeaderSize, kVerifierSize, preamble.verifier.begin());
    std::span<const uint8_t> storedHash = start.subspan(kHeaderSize + kVerifierSize, kHeaderHashSize);

    // A file of another version may lay its header out differently, so the version is read before
    // the header hash is checked; anything else about the header is trusted only after it.
    ByteReader peek(start);
    std::span<const uint8_t> magic;
    uint32_t version = 0;
    peek.Bytes(kKeychainMagic.size(), magic);
    peek.U32(version);
    if (!std::equal(magic.begin(), magic.end(), kKeychainMagic.begin())) {
        return kDamaged;
    }
    if (version != kKeychainFormatVersion) {
        return Failure{errSecWrongSecVersion};
    }
    std::array<uint8_t, 32> hash = HashParts(preamble.headerBytes, preamble.verifier);
    if (!std::equal(hash.begin(), hash.end(), storedHash.begin())) {
        return kDamaged;
    }
    Result<KeychainHeader> header = DecodeHeader(preamble.headerBytes);
    if (!header.Ok()) {
        return Failure{header.Status()};
    }
    preamble.header = header.Value();

    ByteReader lengthReader(start.subspan(kPreambleSize - 4, 4));
    lengthReader.U32(preamble.indexLength);
    if (preamble.indexLength < kSealOverhead || preamble.indexLength > fileSize - kPreambleSize) {
        return kDamaged;
    }
    return preamble;
}

bool KeyMatchesFile(const ParsedPreamble& preamble, std::span<const uint8_t> masterKey)
{
    if (masterKey.size() != kMasterKeySize) {
        return false;
    }
    std::array<uint8_t, kVerifierSize> verifier =
        ComputeVerifier(masterKey, std::span<const uint8_t>(preamble.headerBytes).first(kFixedHeaderSize));
    return SameBytes(verifier, preamble.verifier);
}

Result<KeychainIndex> OpenIndex(std::span<const uint8_t> file, const ParsedPreamble& preamble,
                                std::span<const uint8_t> masterKey)
{
    return OpenIndexOfStart(file, file.size(), preamble, masterKey);
}

Result<KeychainIndex> OpenIndexOfStart(std::span<const uint8_t> file, uint64_t fileSize,
                                       const ParsedPreamble& preamble, std::span<const uint8_t> masterKey)
{
    if (fileSize < kPreambleSize || fileSize - kPreambleSize < preamble.indexLength ||
        file.size() < kPreambleSize + uint64_t{preamble.indexLength}) {
        return kDamaged;
    }
    SecretBuffer key = DeriveSubkey(masterKey, Subkey::Index);
    if (!key.Valid()) {
        return Failure{errSecAllocate};
    }
    Result<SecretBuffer> plaintext = Open(key.Bytes(), preamble.headerBytes,
                                          file.subspan(kPreambleSize, preamble.indexLength));
    if (!plaintext.Ok()) {
        return Failure{plaintext.Status()};
    }
    Result<KeychainIndex> index = DecodeIndex(plaintext->Bytes());
    if (!index.Ok()) {
        return index;
    }
    // The records follow the index back to back, in index order, up to the very end of the file.
    uint64_t expected = kPreambleSize + uint64_t{preamble.indexLength};
    for (const IndexEntry& entry : index->entries) {
        if (entry.offset != expected || entry.length < kSealOverhead || entry.length > fileSize - expected) {
            return kDamaged;
        }
        expected += entry.length;
    }
    if (expected != fileSize) {
        return kDamaged;
    }
    return index;
}

bool RecordMatchesEntry(std::span<const uint8_t> file, const IndexEntry& entry)
{
    if (entry.offset > file.size() || entry.length > file.size() - entry.offset) {
        return false;
    }
    std::array<uint8_t, 32> hash = HashParts(file.subspan(entry.offset, entry.length));
    return std::equal(hash.begin(), hash.end(), entry.hash.begin());
}

Result<ItemRecord> OpenItem(std::span<const uint8_t> file, const ParsedPreamble& preamble,
                            std::span<const uint8_t> masterKey, const IndexEntry& entry)
{
    // The index was opened and checked, so the file as a whole is sound: whatever fails from here
    // on is this one item's record, and the other items stay usable.
    const Failure kItemDamaged{errSecDecode};
    if (!RecordMatchesEntry(file, entry)) {
        return kItemDamaged;
    }
    std::span<const uint8_t> sealed = file.subspan(entry.offset, entry.length);
    SecretBuffer key = DeriveSubkey(masterKey, Subkey::Items);
    if (!key.Valid()) {
        return Failure{errSecAllocate};
    }
    Result<SecretBuffer> plaintext =
        Open(key.Bytes(), ItemAssociatedData(preamble.headerBytes, entry.id), sealed);
    if (!plaintext.Ok()) {
        return plaintext.Status() == errSecInvalidKeychain ? kItemDamaged : Failure{plaintext.Status()};
    }
    Result<ItemRecord> item = DecodeItem(plaintext->Bytes());
    if (!item.Ok()) {
        return item.Status() == errSecInvalidKeychain ? kItemDamaged : Failure{item.Status()};
    }
    if (item->itemClass != entry.itemClass || item->attributes != entry.attributes) {
        return kItemDamaged;
    }
    return item;
}

OSStatus CheckKeychainBytes(const uint8_t* data, size_t size, const uint8_t* masterKey)
{
    std::span<const uint8_t> file(data, size);
    Result<ParsedPreamble> preamble = ParsePreamble(file, size);
    if (!preamble.Ok() || masterKey == nullptr) {
        return preamble.Status();
    }
    std::span<const uint8_t> key(masterKey, kMasterKeySize);
    if (!KeyMatchesFile(preamble.Value(), key)) {
        return errSecAuthFailed;
    }
    Result<KeychainIndex> index = OpenIndex(file, preamble.Value(), key);
    if (!index.Ok()) {
        return index.Status();
    }
    for (const IndexEntry& entry : index->entries) {
        Result<ItemRecord> item = OpenItem(file, preamble.Value(), key, entry);
        if (!item.Ok()) {
            return item.Status();
        }
    }
    return noErr;
}

}  // namespace platform::security
