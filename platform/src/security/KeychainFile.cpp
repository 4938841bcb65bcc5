// Reading, creating and rewriting keychain files.
#include "security/KeychainFile.h"

#include "base/AtomicFileWriter.h"
#include "base/ErrnoStatus.h"
#include "base/LockFile.h"
#include "base/PathParts.h"
#include "base/RegularFile.h"
#include "base/TemporaryFiles.h"
#include "security/KeychainCrypto.h"
#include "security/KeychainRecords.h"
#include "security/SleepClock.h"
#include "security/UnlockedKeyStore.h"

#include <PlatformPasswords.h>
#include <Security/SecBase.h>

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <deque>
#include <mutex>

namespace platform::security {

namespace {

// Production cost: above libsodium's interactive pass count, with its interactive memory.
constexpr CreationCost kDefaultCost{3, crypto_pwhash_MEMLIMIT_INTERACTIVE};
static_assert(kDefaultCost.opsLimit >= crypto_pwhash_OPSLIMIT_INTERACTIVE);

std::mutex gCostMutex;
CreationCost gCost = kDefaultCost;

// Every new keychain starts locking itself after five minutes and on sleep; callers that want
// otherwise change the settings.
constexpr KeychainSettingsRecord kNewKeychainSettings{1, true, true, 300};

enum class SnapshotPart { Preamble, PreambleAndIndex, Whole };

Result<KeychainSnapshot> ReadSnapshot(const std::string& path, SnapshotPart part)
{
    ScopedFd fd;
    KeychainSnapshot snapshot;
    Result<void> opened = OpenRegularFile(AT_FDCWD, path, fd, snapshot.identity);
    if (int error = opened.Errno(); error != 0) {
        // Reading a keychain one may not read is a permission error, not the write protection that
        // errSecWrPerm tells.
        return Failure{error == EACCES || error == EPERM ? permErr : KeychainStatusForErrno(error)};
    }
    if (!opened.Ok()) {
        return Failure{errSecInvalidKeychain};
    }
    uint64_t size = static_cast<uint64_t>(snapshot.identity.st_size);
    // The size is bounded before anything is allocated for the content.
    if (size < kPreambleSize || size > kMaxFileSize) {
        return Failure{errSecInvalidKeychain};
    }
    size_t wanted = part == SnapshotPart::Whole ? static_cast<size_t>(size) : kPreambleSize;
    snapshot.bytes.resize(wanted);
    ssize_t got = ReadAt(fd.Get(), snapshot.bytes.data(), wanted, 0);
    if (got < 0) {
        return Failure{ioErr};
    }
    if (static_cast<size_t>(got) < wanted) {
        // Cut short while being read: not this file as it was stat'ed.
        return Failure{errSecInvalidKeychain};
    }
    Result<ParsedPreamble> preamble = ParsePreamble(snapshot.bytes, size);
    if (!preamble.Ok()) {
        return Failure{preamble.Status()};
    }
    snapshot.preamble = preamble.Value();
    if (part == SnapshotPart::PreambleAndIndex) {
        // The preamble was checked against the file's size, so the index lies within it.
        size_t indexEnd = kPreambleSize + size_t{snapshot.preamble.indexLength};
        if (indexEnd > size) {
            return Failure{errSecInvalidKeychain};
        }
        snapshot.bytes.resize(indexEnd);
        ssize_t index = ReadAt(fd.Get(), snapshot.bytes.data() + kPreambleSize, indexEnd - kPreambleSize, kPreambleSize);
        if (index < 0) {
            return Failure{ioErr};
        }
        if (static_cast<size_t>(index) < indexEnd - kPreambleSize) {
            return Failure{errSecInvalidKeychain};
        }
    }
    return snapshot;
}

}  // namespace

OSStatus KeychainStatusForErrno(int error)
{
    switch (OSStatus status = StatusForErrno(error)) {
    case fnfErr:
    case dirNFErr:
        return errSecNoSuchKeychain;
    case permErr:
        return errSecWrPerm;
    case wPrErr:
        return errSecReadOnly;
    case memFullErr:
        return errSecAllocate;
    case dupFNErr:
        return errSecDuplicateKeychain;
    default:
        return status;
    }
}

Result<void> LockKeychainFolder(const std::string& path, LockFile& lock, bool tryOnly)
{
    // A keychain writer stopped half-way (a frozen application, a slow disk) keeps the lock: every
    // other application waits a bounded time, then hears that the keychain is busy.
    Result<void> locked = tryOnly ? lock.LockFolder(FolderOf(path), LockFile::Mode::Exclusive, LockFile::Wait::Try)
                                  : lock.LockFolder(FolderOf(path), LockFile::Mode::Exclusive, LockWaitLimit());
    if (!locked.Ok()) {
        return ErrnoFailure("cannot lock the folder of the keychain " + path, locked.Errno());
    }
    return {};
}

std::string KeyDescriptionOfFile(const std::string& path)
{
    ScopedFd fd;
    struct stat identity {};
    if (!OpenRegularFile(AT_FDCWD, path, fd, identity).Ok()) {
        return {};
    }
    // The magic, the version and the flags come before the id.
    constexpr size_t kIdOffset = kKeychainMagic.size() + 4 + 4;
    std::array<uint8_t, kIdOffset + kFileIdSize> start{};
    if (ReadAt(fd.Get(), start.data(), start.size(), 0) != static_cast<ssize_t>(start.size()) ||
        !std::equal(kKeychainMagic.begin(), kKeychainMagic.end(), start.begin())) {
        return {};
    }
    return KeyDescription(identity, std::span<const uint8_t>(start).subspan(kIdOffset));
}

Result<KeychainSnapshot> ReadKeychainFile(const std::string& path)
{
    return ReadSnapshot(path, SnapshotPart::Whole);
}

Result<KeychainSnapshot> ReadKeychainPreamble(const std::string& path)
{
    return ReadSnapshot(path, SnapshotPart::Preamble);
}

Result<KeychainSnapshot> ReadKeychainStart(const std::string& path)
{
    return ReadSnapshot(path, SnapshotPart::PreambleAndIndex);
}

int64_t UnlockDeadline(const KeychainSettingsRecord& settings)
{
    return settings.useLockInterval ? static_cast<int64_t>(::time(nullptr)) + settings.lockInterval : 0;
}

KeyLife LifeOfNewKey(const std::string& path, const KeychainSettingsRecord& settings)
{
    return KeyLife{UnlockDeadline(settings), SleptNanoseconds(), path};
}

CreationCost CurrentCreationCost()
{
    std::lock_guard lock(gCostMutex);
    return gCost;
}

OSStatus CreateKeychainFile(const std::string& path, std::span<const uint8_t> password)
{
    // A keychain that opens with no password at all protects nothing.
    if (password.empty()) {
        return errSecParam;
    }
    RemoveKeysOfGoneKeychains();
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        return errSecDuplicateKeychain;
    }
    KeychainHeader header;
    FillRandom(header.fileId);
    FillRandom(header.salt);
    CreationCost cost = CurrentCreationCost();
    header.opsLimit = cost.opsLimit;
    header.memLimit = cost.memLimit;
    header.settings = kNewKeychainSettings;
    Result<SecretBuffer> key = DeriveMasterKey(password, header);
    if (!key.Ok()) {
        return key.Status();
    }
    std::vector<PlacedItem> noItems;
    std::vector<uint8_t> bytes = BuildKeychainFile(header, key->Bytes(), 1, noItems);
    if (bytes.empty()) {
        return errSecAllocate;
    }
    // Under the folder's lock from the key's storing to the file's appearing, so that no process
    // takes the key for one whose file is gone.
    LockFile lock;
    if (Result<void> locked = LockKeychainFolder(path, lock); !locked.Ok()) {
        return KeychainStatusForErrno(locked.Errno());
    }
    AtomicFileWriter file(path);
    if (Result<void> written = file.Prepare(bytes.data(), bytes.size()); !written.Ok()) {
        return KeychainStatusForErrno(written.Errno());
    }
    // The key is stored under the identity the file will have before the file appears, so that no
    // process ever sees the new keychain locked.
    std::string description = KeyDescription(file.PreparedInfo(), header.fileId);
    OSStatus status = StoreUnlockedKey(description, key->Bytes(), LifeOfNewKey(path, header.settings));
    if (status != noErr) {
        return status;
    }
    if (Result<void> written = file.Commit(false); !written.Ok()) {
        RemoveUnlockedKey(description);
        return KeychainStatusForErrno(written.Errno());
    }
    return noErr;
}

OSStatus RewriteKeychainFile(const std::string& path, std::span<const uint8_t> masterKey,
                             const std::function<OSStatus(KeychainEdit&)>& edit)
{
    LockFile lock;
    if (Result<void> locked = LockKeychainFolder(path, lock); !locked.Ok()) {
        return KeychainStatusForErrno(locked.Errno());
    }
    Result<KeychainSnapshot> snapshot = ReadKeychainFile(path);
    if (!snapshot.Ok()) {
        return snapshot.Status();
    }
    const ParsedPreamble& preamble = snapshot->preamble;
    // The owner's write permission is the keychain's own write protection: a rename would get
    // past it, so it is checked here.
    if ((snapshot->identity.st_mode & S_IWUSR) == 0) {
        return errSecWrPerm;
    }
    if (!KeyMatchesFile(preamble, masterKey)) {
        // Replaced by another keychain since the key was had.
        return errSecAuthFailed;
    }
    Result<KeychainIndex> index = OpenIndex(snapshot->bytes, preamble, masterKey);
    if (!index.Ok()) {
        return index.Status();
    }
    std::vector<PlacedItem> items;
    items.reserve(index->entries.size() + 1);
    for (IndexEntry& entry : index->entries) {
        // Records are carried over unopened, so each is checked against the index first: a
        // damaged record keeps the hash it was written with and stays damaged in the new file,
        // while the other items can still be changed (and the damaged one deleted).
        bool damaged = !RecordMatchesEntry(snapshot->bytes, entry);
        std::span<const uint8_t> sealed(snapshot->bytes.data() + entry.offset, entry.length);
        items.push_back(PlacedItem{std::move(entry), sealed, damaged});
    }
    std::vector<std::vector<uint8_t>> newRecords;
    KeychainEdit change{preamble.header, preamble.headerBytes, masterKey, &items, index->nextId, &newRecords};
    OSStatus status = edit(change);
    if (status != noErr) {
        return status;
    }
    std::vector<uint8_t> bytes = BuildKeychainFile(change.header, masterKey, change.nextId, items);
    if (bytes.empty()) {
        return errSecAllocate;
    }
    if (bytes.size() > kMaxFileSize) {
        return errSecDataTooLarge;
    }
    // Each left-over temporary file holds a whole sealed copy of the keychain, items deleted since
    // included, so they must not pile up; the folder's lock is what every writer holds.
    {
        ScopedFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.IsValid()) {
            RemoveAbandonedTemporaries(folder.Get(), NameOf(path));
        }
    }
    AtomicFileWriter file(path);
    if (Result<void> written = file.Prepare(bytes.data(), bytes.size()); !written.Ok()) {
        return KeychainStatusForErrno(written.Errno());
    }
    // An unlocked keychain stays unlocked across the rewrite: its key moves to the new file's
    // identity before the new file takes the old one's place.
    const auto& fileId = preamble.header.fileId;
    std::string oldDescription = KeyDescription(snapshot->identity, fileId);
    std::string newDescription = KeyDescription(file.PreparedInfo(), fileId);
    std::optional<StoredKey> stored = FindUnlockedKey(oldDescription);
    bool moveKey = stored.has_value() && SameBytes(stored->masterKey.Bytes(), masterKey);
    if (moveKey) {
        // The key keeps the moment of its unlock, so a sleep since then still counts.
        KeyLife life = stored->life;
        life.path = path;
        if (change.header.settings.useLockInterval != preamble.header.settings.useLockInterval ||
            change.header.settings.lockInterval != preamble.header.settings.lockInterval) {
            life.deadline = UnlockDeadline(change.header.settings);
        }
        status = StoreUnlockedKey(newDescription, masterKey, life);
        if (status != noErr) {
            return status;
        }
    }
    if (Result<void> written = file.Commit(true); !written.Ok()) {
        if (moveKey) {
            RemoveUnlockedKey(newDescription);
        }
        return KeychainStatusForErrno(written.Errno());
    }
    if (moveKey) {
        RemoveUnlockedKey(oldDescription);
    }
    return noErr;
}

OSStatus EditKeychainFile(const std::string& path, const std::function<OSStatus(KeychainEdit&)>& edit)
{
    Result<KeychainSnapshot> snapshot = ReadKeychainPreamble(path);
    if (!snapshot.Ok()) {
        return snapshot.Status();
    }
    Result<SecretBuffer> key = RequireKey(path, snapshot.Value());
    if (!key.Ok()) {
        return key.Status();
    }
    return RewriteKeychainFile(path, key->Bytes(), edit);
}

OSStatus SetKeychainSettings(const std::string& path, const KeychainSettingsRecord& settings)
{
    return EditKeychainFile(path, [&](KeychainEdit& change) -> OSStatus {
        change.header.settings = settings;
        return noErr;
    });
}

}  // namespace platform::security

void PlatformSetKeychainCreationCostForTesting(UInt64 opsLimit, UInt64 memLimit)
{
    using namespace platform::security;
    std::lock_guard lock(gCostMutex);
    if (opsLimit == 0 && memLimit == 0) {
        gCost = kDefaultCost;
    } else {
        // Kept within what a header may ask for, so that the files made stay readable.
        gCost = CreationCost{std::clamp<uint64_t>(opsLimit, kMinOpsLimit, kMaxOpsLimit),
                             std::clamp<uint64_t>(memLimit, kMinMemLimit, kMaxMemLimit)};
    }
}
