// The keychain file itself: damaged files fail cleanly with a status and are never rewritten, the
// cost in a header is bounded, and no secret reaches the disk in clear.
#include "SecretHandout.h"
#include "KeychainTestSupport.h"

#include "security/KeychainCrypto.h"
#include "security/KeychainFileReader.h"
#include "security/KeychainRecords.h"
#include "security/UnlockedKeyStore.h"

#include <sodium.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace keychaintest {
namespace {

using namespace platform::security;
using platform::Result;

// Writes bytes over the file in place, so that it keeps its identity (and its unlocked key).
void Overwrite(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class KeychainFileTest : public KeychainTest {
protected:
    // A small keychain with two notes, unlocked.
    KeychainOwner MakeSmallKeychain()
    {
        KeychainOwner keychain = Create("pw");
        EXPECT_EQ(AddGenericPassword(keychain.Get(), "alpha", "", "aaa"), noErr);
        EXPECT_EQ(AddGenericPassword(keychain.Get(), "bravo", "", "bbb"), noErr);
        return keychain;
    }

    // Reads every item's data; the first failure's status, or noErr.
    OSStatus ReadEverything(SecKeychainRef keychain)
    {
        SecKeychainStatus bits = 0;
        OSStatus status = SecKeychainGetStatus(keychain, &bits);
        if (status != noErr) {
            return status;
        }
        SecKeychainSearchRef search = nullptr;
        status = SecKeychainSearchCreateFromAttributes(keychain, kSecGenericPasswordItemClass, nullptr, &search);
        if (status != noErr) {
            return status;
        }
        SearchOwner owner = SearchOwner::Adopt(search);
        int count = 0;
        for (SecKeychainItemRef item = nullptr; SecKeychainSearchCopyNext(search, &item) == noErr; item = nullptr) {
            ItemOwner itemOwner = ItemOwner::Adopt(item);
            UInt32 length = 0;
            void* data = nullptr;
            status = SecKeychainItemCopyContent(item, nullptr, nullptr, &length, &data);
            if (status != noErr) {
                return status;
            }
            SecKeychainItemFreeContent(nullptr, data);
            ++count;
        }
        return count == 2 ? OSStatus{noErr} : OSStatus{errSecItemNotFound};
    }

    // Installs the damaged bytes, checks that reading and changing fail with a damage status and
    // that the file is left exactly as it was.
    void ExpectCleanFailure(SecKeychainRef keychain, const std::string& damaged, const std::string& what)
    {
        Overwrite(Path(), damaged);
        OSStatus read = ReadEverything(keychain);
        EXPECT_TRUE(read == errSecInvalidKeychain || read == errSecWrongSecVersion) << what << ": " << read;
        OSStatus added = AddGenericPassword(keychain, "third", "", "ccc");
        EXPECT_TRUE(added == errSecInvalidKeychain || added == errSecWrongSecVersion) << what << ": " << added;
        SecKeychainSettings settings{SEC_KEYCHAIN_SETTINGS_VERS1, false, false, 5};
        EXPECT_NE(SecKeychainSetSettings(keychain, &settings), noErr) << what;
        EXPECT_EQ(testsupport::ReadFile(Path()), damaged) << what;
    }
};

// The regions of a file with two records of equal length, by where a flipped byte lands.
struct Region {
    const char* name;
    size_t begin;
    size_t end;
};

std::vector<Region> RegionsOf(const std::string& file)
{
    Result<ParsedPreamble> preamble =
        ParsePreamble(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()), file.size());
    if (!preamble.Ok()) {
        return {};
    }
    size_t indexStart = kPreambleSize;
    size_t recordsStart = indexStart + preamble->indexLength;
    size_t recordLength = (file.size() - recordsStart) / 2;
    return {{"header", 0, kHeaderSize},
            {"verifier", kHeaderSize, kHeaderSize + kVerifierSize},
            {"header hash and index length", kHeaderSize + kVerifierSize, kPreambleSize},
            {"index", indexStart, recordsStart},
            {"first item", recordsStart, recordsStart + recordLength},
            {"second item", recordsStart + recordLength, file.size()}};
}

std::string Flipped(std::string bytes, size_t at)
{
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    return bytes;
}

TEST_F(KeychainFileTest, EveryFlippedByteOutsideTheItemsDamagesTheKeychain)
{
    KeychainOwner keychain = MakeSmallKeychain();
    ScriptedPasswords::Remove();
    std::string original = testsupport::ReadFile(Path());
    ASSERT_EQ(ReadEverything(keychain.Get()), noErr);
    std::vector<Region> regions = RegionsOf(original);
    ASSERT_EQ(regions.size(), 6u);
    for (const Region& region : std::span(regions).first(4)) {
        for (size_t i = region.begin; i < region.end && !HasFailure(); ++i) {
            ExpectCleanFailure(keychain.Get(), Flipped(original, i), std::string(region.name) + " byte " + std::to_string(i));
        }
    }
    Overwrite(Path(), original);
    EXPECT_EQ(ReadEverything(keychain.Get()), noErr);
}

TEST_F(KeychainFileTest, ADamagedFileIsToldAtUnlockAndStatusWithoutAPrompt)
{
    KeychainOwner keychain = MakeSmallKeychain();
    std::string original = testsupport::ReadFile(Path());
    std::vector<Region> regions = RegionsOf(original);
    ASSERT_EQ(regions.size(), 6u);
    struct Case {
        size_t region;
        size_t prompts;  // the index opens only with the key, so it costs one password
    };
    for (Case row : {Case{0, 0}, Case{1, 0}, Case{2, 0}, Case{3, 1}}) {
        const Region& region = regions[row.region];
        std::string damaged = Flipped(original, (region.begin + region.end) / 2);
        Overwrite(Path(), original);
        ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
        Overwrite(Path(), damaged);
        mPasswords.requests.clear();
        mPasswords.Add("pw");
        EXPECT_EQ(SecKeychainUnlock(keychain.Get(), 0, nullptr, false), errSecInvalidKeychain) << region.name;
        EXPECT_EQ(mPasswords.requests.size(), row.prompts) << region.name;
        EXPECT_EQ(SecKeychainUnlock(keychain.Get(), 2, "pw", true), errSecInvalidKeychain) << region.name;
        SecKeychainStatus bits = 0;
        if (row.prompts == 0) {
            EXPECT_EQ(SecKeychainGetStatus(keychain.Get(), &bits), errSecInvalidKeychain) << region.name;
            EXPECT_EQ(SecKeychainLock(keychain.Get()), errSecInvalidKeychain) << region.name;
        } else {
            // Not unlocked by the attempts above: the key was never kept.
            EXPECT_EQ(SecKeychainGetStatus(keychain.Get(), &bits), noErr) << region.name;
            EXPECT_EQ(bits & kSecUnlockStateStatus, 0u) << region.name;
        }
        EXPECT_EQ(testsupport::ReadFile(Path()), damaged) << region.name;
        mPasswords = ScriptedPasswords();
        mPasswords.Install();
    }
    // Unlocked, a damaged index is told by the status as well.
    Overwrite(Path(), original);
    ASSERT_EQ(SecKeychainUnlock(keychain.Get(), 2, "pw", true), noErr);
    Overwrite(Path(), Flipped(original, (regions[3].begin + regions[3].end) / 2));
    SecKeychainStatus bits = 0;
    EXPECT_EQ(SecKeychainGetStatus(keychain.Get(), &bits), errSecInvalidKeychain);
    // The status reads the file only up to the end of the index, yet a file longer or shorter than
    // the records the index lists is damaged all the same.
    for (const std::string& changed : {original + "x", original.substr(0, original.size() - 1)}) {
        Overwrite(Path(), changed);
        EXPECT_EQ(SecKeychainGetStatus(keychain.Get(), &bits), errSecInvalidKeychain) << changed.size();
    }
    Overwrite(Path(), original);
    EXPECT_EQ(SecKeychainGetStatus(keychain.Get(), &bits), noErr);
    EXPECT_NE(bits & kSecUnlockStateStatus, 0u);
}

TEST_F(KeychainFileTest, ADamagedItemSpoilsOnlyItself)
{
    KeychainOwner keychain = MakeSmallKeychain();
    ScriptedPasswords::Remove();
    std::string original = testsupport::ReadFile(Path());
    std::vector<Region> regions = RegionsOf(original);
    ASSERT_EQ(regions.size(), 6u);
    const Region& bravo = regions[5];
    // The nonce, the ciphertext and the tag of the second record.
    for (size_t at : {bravo.begin, bravo.begin + kNonceSize + 1, bravo.end - 1}) {
        std::string what = "byte " + std::to_string(at);
        Overwrite(Path(), Flipped(original, at));
        ItemOwner alphaItem = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "alpha"));
        ItemOwner bravoItem = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "bravo"));
        ASSERT_TRUE(alphaItem.Get() != nullptr && bravoItem.Get() != nullptr) << what;
        EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus) << what;
        EXPECT_EQ(DataOf(alphaItem.Get()), "aaa") << what;
        // What the keychain hands out marks the clipboard filled next as a secret's; a damaged item
        // hands out nothing.
        EXPECT_TRUE(platform::TakeRecentSecretHandout()) << what;
        EXPECT_EQ(DataOf(bravoItem.Get()), "<" + std::to_string(errSecDecode) + ">") << what;
        EXPECT_FALSE(platform::TakeRecentSecretHandout()) << what;
        // Changes carry the damaged record over as it is: still damaged, never vouched for afresh.
        EXPECT_EQ(AddGenericPassword(keychain.Get(), "charlie", "", "ccc"), noErr) << what;
        EXPECT_EQ(DataOf(bravoItem.Get()), "<" + std::to_string(errSecDecode) + ">") << what;
        EXPECT_EQ(SecKeychainItemDelete(alphaItem.Get()), noErr) << what;
        EXPECT_EQ(SecKeychainItemDelete(bravoItem.Get()), noErr) << what;
        ItemOwner charlie = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "charlie"));
        EXPECT_EQ(DataOf(charlie.Get()), "ccc") << what;
        EXPECT_EQ(ReadEverything(keychain.Get()), errSecItemNotFound) << what;  // one item left, not two
    }
}

TEST_F(KeychainFileTest, EveryTruncationIsDetected)
{
    KeychainOwner keychain = MakeSmallKeychain();
    ScriptedPasswords::Remove();
    std::string original = testsupport::ReadFile(Path());
    for (size_t length = 0; length < original.size(); ++length) {
        ExpectCleanFailure(keychain.Get(), original.substr(0, length), "length " + std::to_string(length));
        if (HasFailure()) {
            break;
        }
    }
    // Bytes added at the end are as much damage as bytes cut.
    ExpectCleanFailure(keychain.Get(), original + '\0', "one byte more");
}

TEST_F(KeychainFileTest, RecordsSwappedOrDuplicatedFailToOpen)
{
    KeychainOwner keychain = MakeSmallKeychain();
    ScriptedPasswords::Remove();
    std::string original = testsupport::ReadFile(Path());
    std::vector<Region> regions = RegionsOf(original);
    ASSERT_EQ(regions.size(), 6u);
    // Both records hold the same lengths, so they sit at the end of the file, side by side.
    const std::string head = original.substr(0, regions[4].begin);
    const std::string first = original.substr(regions[4].begin, regions[4].end - regions[4].begin);
    const std::string second = original.substr(regions[5].begin);
    // A record in another's place fails to open as that item; the rest of the file stays usable.
    const std::string decode = "<" + std::to_string(errSecDecode) + ">";
    struct Case {
        const char* name;
        std::string bytes;
        std::string alpha;
        std::string bravo;
    };
    for (const Case& row : {Case{"swapped", head + second + first, decode, decode},
                            Case{"duplicated", head + first + first, "aaa", decode}}) {
        Overwrite(Path(), row.bytes);
        ItemOwner alpha = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "alpha"));
        ItemOwner bravo = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "bravo"));
        EXPECT_EQ(DataOf(alpha.Get()), row.alpha) << row.name;
        EXPECT_EQ(DataOf(bravo.Get()), row.bravo) << row.name;
        EXPECT_EQ(testsupport::ReadFile(Path()), row.bytes) << row.name;
    }
    // A record missing changes the layout the index gives: the whole file is damaged.
    ExpectCleanFailure(keychain.Get(), head + first, "removed");
}

TEST_F(KeychainFileTest, AbsurdCostInAHeaderIsDamageNotAnAllocation)
{
    KeychainOwner keychain = Create("pw");
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    std::string original = testsupport::ReadFile(Path());
    Result<ParsedPreamble> preamble =
        ParsePreamble(std::span(reinterpret_cast<const uint8_t*>(original.data()), original.size()), original.size());
    ASSERT_TRUE(preamble.Ok());

    struct Cost {
        uint64_t ops;
        uint64_t mem;
    };
    for (Cost cost : {Cost{1, uint64_t{1} << 40}, Cost{uint64_t{1} << 32, 8192}, Cost{0, 8192}, Cost{1, 1024},
                      Cost{1, kMaxMemLimit + 1}, Cost{kMaxOpsLimit + 1, 8192}}) {
        KeychainHeader header = preamble->header;
        header.opsLimit = cost.ops;
        header.memLimit = cost.mem;
        // A well-formed header that hashes right: only the bounds can refuse it.
        std::array<uint8_t, kHeaderSize> headerBytes = EncodeHeader(header);
        std::array<uint8_t, 32> hash = HashParts(headerBytes, preamble->verifier);
        std::string crafted = original;
        std::memcpy(crafted.data(), headerBytes.data(), headerBytes.size());
        std::memcpy(crafted.data() + kHeaderSize + kVerifierSize, hash.data(), hash.size());
        Overwrite(Path(), crafted);
        EXPECT_EQ(SecKeychainUnlock(keychain.Get(), 2, "pw", true), errSecInvalidKeychain) << cost.ops << "/" << cost.mem;
        EXPECT_EQ(testsupport::ReadFile(Path()), crafted);
    }
}

TEST_F(KeychainFileTest, SecretsNeverReachTheDiskInClear)
{
    const std::string password = "correct horse battery staple";
    const std::string secret = "TOP-SECRET-PAYLOAD-0123456789";
    KeychainOwner keychain = Create(password);
    ASSERT_EQ(AddGenericPassword(keychain.Get(), "vault", "", secret), noErr);
    ASSERT_EQ(AddGenericPassword(keychain.Get(), "other", "", secret + "-2"), noErr);
    ItemOwner other = ItemOwner::Adopt(FindGenericPassword(keychain.Get(), "other"));
    ASSERT_EQ(SecKeychainItemDelete(other.Get()), noErr);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mDir.path())) {
        names.push_back(entry.path().filename().string());
        std::string content = testsupport::ReadFile(entry.path().string());
        EXPECT_EQ(content.find(secret), std::string::npos);
        EXPECT_EQ(content.find(password), std::string::npos);
    }
    // No temporary file is left behind.
    EXPECT_EQ(names, std::vector<std::string>{"Test.keychain"});
}

TEST_F(KeychainFileTest, ReaderAnswersGarbageWithAStatus)
{
    KeychainOwner keychain = MakeSmallKeychain();
    std::string original = testsupport::ReadFile(Path());
    std::optional<StoredKey> key = FindUnlockedKey(DescriptionOf(Path()));
    ASSERT_TRUE(key.has_value());
    const auto* bytes = reinterpret_cast<const uint8_t*>(original.data());
    EXPECT_EQ(CheckKeychainBytes(bytes, original.size(), key->masterKey.Data()), noErr);
    EXPECT_EQ(CheckKeychainBytes(bytes, original.size(), nullptr), noErr);
    std::array<uint8_t, kMasterKeySize> wrongKey{};
    EXPECT_EQ(CheckKeychainBytes(bytes, original.size(), wrongKey.data()), errSecAuthFailed);

    std::vector<uint8_t> garbage(4096);
    for (size_t size : {size_t{0}, size_t{1}, kPreambleSize - 1, kPreambleSize, size_t{1000}, size_t{4096}}) {
        randombytes_buf(garbage.data(), garbage.size());
        EXPECT_EQ(CheckKeychainBytes(garbage.data(), size, key->masterKey.Data()), errSecInvalidKeychain) << size;
    }
    // A magic and version that look right do not make the rest trusted.
    std::memcpy(garbage.data(), original.data(), 16);
    EXPECT_EQ(CheckKeychainBytes(garbage.data(), garbage.size(), key->masterKey.Data()), errSecInvalidKeychain);
}

TEST_F(KeychainFileTest, ProductionCostAndUnlockTime)
{
    PlatformSetKeychainCreationCostForTesting(0, 0);
    KeychainOwner keychain = Create("a reasonable password");
    std::string bytes = testsupport::ReadFile(Path());
    Result<ParsedPreamble> preamble =
        ParsePreamble(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), bytes.size());
    ASSERT_TRUE(preamble.Ok());
    EXPECT_GE(preamble->header.opsLimit, crypto_pwhash_OPSLIMIT_INTERACTIVE);
    EXPECT_GE(preamble->header.memLimit, crypto_pwhash_MEMLIMIT_INTERACTIVE);
    ASSERT_EQ(SecKeychainLock(keychain.Get()), noErr);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(SecKeychainUnlock(keychain.Get(), 21, "a reasonable password", true), noErr);
    auto unlock = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(Status(keychain.Get()) & kSecUnlockStateStatus, kSecUnlockStateStatus);
    auto status = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::cout << "[ keychain ] Argon2id ops " << preamble->header.opsLimit << ", memory "
              << (preamble->header.memLimit >> 20) << " MiB: unlock " << unlock.count() << " ms; status of an "
              << "unlocked keychain " << status.count() << " us\n";
    RecordProperty("unlock_ms", static_cast<int>(unlock.count()));
}

}  // namespace
}  // namespace keychaintest
