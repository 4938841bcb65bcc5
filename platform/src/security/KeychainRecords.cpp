#include "security/KeychainRecords.h"

#include "security/ByteCodec.h"

#include <Security/SecBase.h>

#include <cstring>

namespace platform::security {
namespace {

const Failure kDamaged{errSecInvalidKeychain};

void WriteAttributes(ByteWriter& out, const std::vector<ItemAttribute>& attributes)
{
    out.U32(static_cast<uint32_t>(attributes.size()));
    for (const ItemAttribute& attribute : attributes) {
        out.U32(attribute.tag);
        out.Blob(attribute.value);
    }
}

bool ReadAttributes(ByteReader& in, std::vector<ItemAttribute>& attributes)
{
    uint32_t count = 0;
    if (!in.Count(kMaxAttributes, 8, count)) {
        return false;
    }
    attributes.resize(count);
    for (ItemAttribute& attribute : attributes) {
        std::span<const uint8_t> value;
        if (!in.U32(attribute.tag) || !in.Blob(kMaxAttributeLength, value)) {
            return false;
        }
        attribute.value.assign(value.begin(), value.end());
    }
    return true;
}

void WriteAccess(ByteWriter& out, const AccessRecord& access)
{
    out.String(access.descriptor);
    out.U32(static_cast<uint32_t>(access.entries.size()));
    for (const AclEntryRecord& entry : access.entries) {
        out.U32(static_cast<uint32_t>(entry.authorizations.size()));
        for (int32_t tag : entry.authorizations) {
            out.U32(static_cast<uint32_t>(tag));
        }
        out.U8(entry.anyApplication ? 1 : 0);
        out.U32(static_cast<uint32_t>(entry.applications.size()));
        for (const std::string& application : entry.applications) {
            out.String(application);
        }
        out.String(entry.description);
        out.U16(entry.promptVersion);
        out.U16(entry.promptFlags);
    }
}

bool ReadAccess(ByteReader& in, AccessRecord& access)
{
    uint32_t entryCount = 0;
    if (!in.String(kMaxTextLength, access.descriptor) || !in.Count(kMaxAclEntries, 17, entryCount)) {
        return false;
    }
    access.entries.resize(entryCount);
    for (AclEntryRecord& entry : access.entries) {
        uint32_t tagCount = 0;
        if (!in.Count(kMaxAuthorizations, 4, tagCount)) {
            return false;
        }
        entry.authorizations.resize(tagCount);
        for (int32_t& tag : entry.authorizations) {
            uint32_t raw = 0;
            if (!in.U32(raw)) {
                return false;
            }
            tag = static_cast<int32_t>(raw);
        }
        uint8_t any = 0;
        uint32_t applicationCount = 0;
        if (!in.U8(any) || any > 1 || !in.Count(kMaxApplications, 4, applicationCount)) {
            return false;
        }
        entry.anyApplication = any == 1;
        entry.applications.resize(applicationCount);
        for (std::string& application : entry.applications) {
            if (!in.String(kMaxTextLength, application)) {
                return false;
            }
        }
        if (!in.String(kMaxTextLength, entry.description) || !in.U16(entry.promptVersion) ||
            !in.U16(entry.promptFlags)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::array<uint8_t, kHeaderSize> EncodeHeader(const KeychainHeader& header)
{
    ByteWriter out;
    out.Bytes(kKeychainMagic);
    out.U32(kKeychainFormatVersion);
    out.U32(0);
    out.Bytes(header.fileId);
    out.Bytes(header.salt);
    out.U64(header.opsLimit);
    out.U64(header.memLimit);
    out.U32(header.settings.version);
    out.U8(header.settings.lockOnSleep ? 1 : 0);
    out.U8(header.settings.useLockInterval ? 1 : 0);
    out.U16(0);
    out.U32(header.settings.lockInterval);
    std::array<uint8_t, kHeaderSize> bytes{};
    std::memcpy(bytes.data(), out.Output().data(), bytes.size());
    return bytes;
}

Result<KeychainHeader> DecodeHeader(std::span<const uint8_t> bytes)
{
    ByteReader in(bytes);
    std::span<const uint8_t> magic;
    std::span<const uint8_t> fileId;
    std::span<const uint8_t> salt;
    uint32_t version = 0;
    uint32_t flags = 0;
    if (!in.Bytes(kKeychainMagic.size(), magic) || !std::equal(magic.begin(), magic.end(), kKeychainMagic.begin()) ||
        !in.U32(version) || !in.U32(flags)) {
        return kDamaged;
    }
    if (version != kKeychainFormatVersion) {
        return Failure{errSecWrongSecVersion};
    }
    KeychainHeader header;
    uint8_t lockOnSleep = 0;
    uint8_t useLockInterval = 0;
    uint16_t reserved = 0;
    if (flags != 0 || !in.Bytes(kFileIdSize, fileId) || !in.Bytes(kSaltSize, salt) || !in.U64(header.opsLimit) ||
        !in.U64(header.memLimit) || !in.U32(header.settings.version) || !in.U8(lockOnSleep) ||
        !in.U8(useLockInterval) || !in.U16(reserved) || !in.U32(header.settings.lockInterval)) {
        return kDamaged;
    }
    // The cost is checked before anything is derived: a header that asks for absurd work or memory
    // is a damaged file, not an allocation.
    if (header.opsLimit < kMinOpsLimit || header.opsLimit > kMaxOpsLimit || header.memLimit < kMinMemLimit ||
        header.memLimit > kMaxMemLimit || lockOnSleep > 1 || useLockInterval > 1 || reserved != 0 ||
        header.settings.version != 1) {
        return kDamaged;
    }
    std::copy(fileId.begin(), fileId.end(), header.fileId.begin());
    std::copy(salt.begin(), salt.end(), header.salt.begin());
    header.settings.lockOnSleep = lockOnSleep == 1;
    header.settings.useLockInterval = useLockInterval == 1;
    return header;
}

std::vector<uint8_t> EncodeIndex(const KeychainIndex& index)
{
    ByteWriter out;
    out.U64(index.nextId);
    out.U32(static_cast<uint32_t>(index.entries.size()));
    for (const IndexEntry& entry : index.entries) {
        out.U64(entry.id);
        out.U64(entry.offset);
        out.U32(entry.length);
        out.Bytes(entry.hash);
        out.U32(entry.itemClass);
        WriteAttributes(out, entry.attributes);
    }
    return std::move(out.Output());
}

Result<KeychainIndex> DecodeIndex(std::span<const uint8_t> plaintext)
{
    ByteReader in(plaintext);
    KeychainIndex index;
    uint32_t count = 0;
    constexpr size_t kMinEntrySize = 8 + 8 + 4 + kItemHashSize + 4 + 4;
    if (!in.U64(index.nextId) || !in.Count(kMaxItems, kMinEntrySize, count)) {
        return kDamaged;
    }
    index.entries.resize(count);
    uint64_t previousId = 0;
    for (IndexEntry& entry : index.entries) {
        std::span<const uint8_t> hash;
        if (!in.U64(entry.id) || !in.U64(entry.offset) || !in.U32(entry.length) || !in.Bytes(kItemHashSize, hash) ||
            !in.U32(entry.itemClass) || !ReadAttributes(in, entry.attributes)) {
            return kDamaged;
        }
        // Ids grow with creation order and are never handed out twice.
        if (entry.id <= previousId || entry.id >= index.nextId) {
            return kDamaged;
        }
        previousId = entry.id;
        std::copy(hash.begin(), hash.end(), entry.hash.begin());
    }
    if (!in.AtEnd()) {
        return kDamaged;
    }
    return index;
}

SecretBuffer EncodeItem(uint32_t itemClass, const std::vector<ItemAttribute>& attributes,
                        std::span<const uint8_t> data, const AccessRecord& access)
{
    // Only the data is secret: the parts around it are encoded as usual and the whole assembled
    // in secret memory, so the data never passes through ordinary memory.
    ByteWriter head;
    head.U32(itemClass);
    WriteAttributes(head, attributes);
    head.U32(static_cast<uint32_t>(data.size()));
    ByteWriter tail;
    WriteAccess(tail, access);
    const std::vector<uint8_t>& headBytes = head.Output();
    const std::vector<uint8_t>& tailBytes = tail.Output();
    SecretBuffer plaintext(headBytes.size() + data.size() + tailBytes.size());
    if (plaintext.Valid()) {
        uint8_t* cursor = plaintext.Data();
        std::memcpy(cursor, headBytes.data(), headBytes.size());
        cursor += headBytes.size();
        if (!data.empty()) {
            std::memcpy(cursor, data.data(), data.size());
        }
        cursor += data.size();
        std::memcpy(cursor, tailBytes.data(), tailBytes.size());
    }
    return plaintext;
}

Result<ItemRecord> DecodeItem(std::span<const uint8_t> plaintext)
{
    ByteReader in(plaintext);
    ItemRecord item;
    uint32_t dataLength = 0;
    std::span<const uint8_t> data;
    if (!in.U32(item.itemClass) || !ReadAttributes(in, item.attributes) || !in.U32(dataLength) ||
        !in.Bytes(dataLength, data) || !ReadAccess(in, item.access) || !in.AtEnd()) {
        return kDamaged;
    }
    item.data = SecretBuffer::CopyOf(data);
    if (!item.data.Valid()) {
        return Failure{errSecAllocate};
    }
    return item;
}

std::vector<uint8_t> ItemAssociatedData(std::span<const uint8_t> headerBytes, uint64_t id)
{
    ByteWriter out;
    out.Bytes(headerBytes.first(kFixedHeaderSize));
    out.U64(id);
    return std::move(out.Output());
}

}  // namespace platform::security
