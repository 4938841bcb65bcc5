// The records inside a keychain file once opened: what a holder of the key could forge must still
// be refused without allocating what it claims.
#include "security/ByteCodec.h"
#include "security/KeychainRecords.h"

#include <Security/SecBase.h>

#include <gtest/gtest.h>

#include <cstring>

namespace keychaintest {
namespace {

using namespace platform::security;
using platform::Result;

TEST(KeychainRecordsTest, HeaderRoundTripsAndRefusesWhatItCannotHold)
{
    KeychainHeader header;
    header.fileId.fill(7);
    header.salt.fill(9);
    header.opsLimit = 3;
    header.memLimit = 1 << 20;
    header.settings = {1, true, false, 0x7FFFFFFF};
    std::array<uint8_t, kHeaderSize> bytes = EncodeHeader(header);
    Result<KeychainHeader> decoded = DecodeHeader(bytes);
    ASSERT_TRUE(decoded.Ok());
    EXPECT_EQ(decoded->fileId, header.fileId);
    EXPECT_EQ(decoded->salt, header.salt);
    EXPECT_EQ(decoded->memLimit, header.memLimit);
    EXPECT_TRUE(decoded->settings.lockOnSleep);
    EXPECT_EQ(decoded->settings.lockInterval, 0x7FFFFFFFu);

    auto refused = [&](size_t offset, uint8_t value) {
        std::array<uint8_t, kHeaderSize> changed = bytes;
        changed[offset] = value;
        return DecodeHeader(changed).Status();
    };
    EXPECT_EQ(refused(0, 'X'), errSecInvalidKeychain);                 // magic
    EXPECT_EQ(refused(8, 2), errSecWrongSecVersion);                   // version
    EXPECT_EQ(refused(12, 1), errSecInvalidKeychain);                  // flags
    EXPECT_EQ(refused(64, 2), errSecInvalidKeychain);                  // settings version
    EXPECT_EQ(refused(68, 2), errSecInvalidKeychain);                  // a boolean that is neither
    EXPECT_EQ(refused(70, 1), errSecInvalidKeychain);                  // reserved
    EXPECT_EQ(DecodeHeader(std::span(bytes).first(40)).Status(), errSecInvalidKeychain);
}

TEST(KeychainRecordsTest, IndexCountsAndIdsAreChecked)
{
    KeychainIndex index;
    index.nextId = 5;
    IndexEntry entry;
    entry.id = 2;
    entry.itemClass = 'genp';
    entry.attributes = {{'svce', {'a', 'b'}}};
    index.entries = {entry};
    std::vector<uint8_t> encoded = EncodeIndex(index);
    Result<KeychainIndex> decoded = DecodeIndex(encoded);
    ASSERT_TRUE(decoded.Ok());
    ASSERT_EQ(decoded->entries.size(), 1u);
    EXPECT_EQ(decoded->entries[0].attributes, entry.attributes);

    // A count far beyond what the bytes could hold.
    std::vector<uint8_t> huge = encoded;
    std::memset(huge.data() + 8, 0xFF, 4);
    EXPECT_EQ(DecodeIndex(huge).Status(), errSecInvalidKeychain);
    // Ids must be below the next id and grow.
    KeychainIndex stale = index;
    stale.nextId = 2;
    EXPECT_EQ(DecodeIndex(EncodeIndex(stale)).Status(), errSecInvalidKeychain);
    KeychainIndex repeated = index;
    repeated.entries.push_back(entry);
    EXPECT_EQ(DecodeIndex(EncodeIndex(repeated)).Status(), errSecInvalidKeychain);
    std::vector<uint8_t> trailing = encoded;
    trailing.push_back(0);
    EXPECT_EQ(DecodeIndex(trailing).Status(), errSecInvalidKeychain);
}

TEST(KeychainRecordsTest, ItemsRoundTripAndClaimedLengthsAreBounded)
{
    AccessRecord access;
    access.descriptor = "note";
    access.entries.push_back({{24, 1}, false, {"/bin/a", "/bin/b"}, "described", 0x0101, 2});
    std::vector<ItemAttribute> attributes{{'svce', {'x'}}, {'type', {'n', 'o', 't', 'e'}}};
    const uint8_t data[] = {1, 2, 3, 0, 5};
    SecretBuffer plaintext = EncodeItem('genp', attributes, data, access);
    ASSERT_TRUE(plaintext.Valid());
    Result<ItemRecord> item = DecodeItem(plaintext.Bytes());
    ASSERT_TRUE(item.Ok());
    EXPECT_EQ(item->itemClass, FourCharCode('genp'));
    EXPECT_EQ(item->attributes, attributes);
    ASSERT_EQ(item->data.Size(), sizeof data);
    EXPECT_EQ(std::memcmp(item->data.Data(), data, sizeof data), 0);
    ASSERT_EQ(item->access.entries.size(), 1u);
    EXPECT_EQ(item->access.entries[0].applications, access.entries[0].applications);
    EXPECT_EQ(item->access.entries[0].authorizations, access.entries[0].authorizations);
    EXPECT_EQ(item->access.entries[0].promptFlags, 2);

    // The data length sits after the class and attributes: claim 4 GiB.
    std::vector<uint8_t> forged(plaintext.Bytes().begin(), plaintext.Bytes().end());
    size_t dataLengthOffset = 4 + 4 + (4 + 4 + 1) + (4 + 4 + 4);
    std::memset(forged.data() + dataLengthOffset, 0xFF, 4);
    EXPECT_EQ(DecodeItem(forged).Status(), errSecInvalidKeychain);
    // Every shorter plaintext is refused.
    for (size_t length = 0; length < plaintext.Size(); ++length) {
        EXPECT_EQ(DecodeItem(plaintext.Bytes().first(length)).Status(), errSecInvalidKeychain) << length;
    }
}

}  // namespace
}  // namespace keychaintest
