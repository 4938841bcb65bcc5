#include "security/KeychainFileWriter.h"

#include "security/ByteCodec.h"
#include "security/KeychainCrypto.h"
#include "security/KeychainRecords.h"

namespace platform::security {

std::vector<uint8_t> SealItemRecord(std::span<const uint8_t> headerBytes, std::span<const uint8_t> masterKey,
                                    uint64_t id, std::span<const uint8_t> plaintext)
{
    SecretBuffer key = DeriveSubkey(masterKey, Subkey::Items);
    if (!key.Valid()) {
        return {};
    }
    return Seal(key.Bytes(), ItemAssociatedData(headerBytes, id), plaintext);
}

std::vector<uint8_t> BuildKeychainFile(const KeychainHeader& header, std::span<const uint8_t> masterKey,
                                       uint64_t nextId, std::vector<PlacedItem>& items)
{
    std::array<uint8_t, kHeaderSize> headerBytes = EncodeHeader(header);
    std::array<uint8_t, kVerifierSize> verifier =
        ComputeVerifier(masterKey, std::span<const uint8_t>(headerBytes).first(kFixedHeaderSize));
    std::array<uint8_t, 32> headerHash = HashParts(headerBytes, verifier);

    KeychainIndex index;
    index.nextId = nextId;
    // The index's own length depends only on the entries' sizes, not on the positions in them, so
    // it is encoded once to learn where the first record goes, then again with the positions.
    for (PlacedItem& item : items) {
        item.entry.length = static_cast<uint32_t>(item.sealed.size());
        if (!item.damaged) {
            item.entry.hash = HashParts(item.sealed);
        }
        index.entries.push_back(item.entry);
    }
    size_t indexLength = EncodeIndex(index).size() + kSealOverhead;
    uint64_t offset = kPreambleSize + indexLength;
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].entry.offset = offset;
        index.entries[i].offset = offset;
        offset += items[i].sealed.size();
    }
    SecretBuffer indexKey = DeriveSubkey(masterKey, Subkey::Index);
    if (!indexKey.Valid()) {
        return {};
    }
    std::vector<uint8_t> sealedIndex = Seal(indexKey.Bytes(), headerBytes, EncodeIndex(index));

    ByteWriter out;
    out.Bytes(headerBytes);
    out.Bytes(verifier);
    out.Bytes(headerHash);
    out.U32(static_cast<uint32_t>(sealedIndex.size()));
    out.Bytes(sealedIndex);
    for (const PlacedItem& item : items) {
        out.Bytes(item.sealed);
    }
    return std::move(out.Output());
}

}  // namespace platform::security
