// The lock state of a keychain file: its key in the unlocked-key store, unlocking with a password
// or through the password source, locking, and the status bits.
#include "security/KeychainFile.h"

#include "base/LockFile.h"
#include "security/KeychainCrypto.h"
#include "security/PasswordPrompt.h"
#include "security/SleepClock.h"
#include "security/UnlockedKeyStore.h"

#include <Security/SecBase.h>
#include <Security/SecKeychain.h>

#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace platform::security {
namespace {

constexpr uint32_t kUnlockAttempts = 3;

// noErr when the index opens with the key and its records fill the file exactly, or the damage
// status. The snapshot may hold only the start of the file, up to the end of the index.
OSStatus IndexStatus(const KeychainSnapshot& snapshot, std::span<const uint8_t> key)
{
    return OpenIndexOfStart(snapshot.bytes, static_cast<uint64_t>(snapshot.identity.st_size), snapshot.preamble, key)
        .Status();
}

// Derives the key from the password and keeps it when it opens the file.
Result<SecretBuffer> UnlockSnapshot(const std::string& path, const KeychainSnapshot& snapshot,
                                    std::span<const uint8_t> password)
{
    Result<SecretBuffer> key = DeriveMasterKey(password, snapshot.preamble.header);
    if (!key.Ok()) {
        return key;
    }
    if (!KeyMatchesFile(snapshot.preamble, key->Bytes())) {
        return Failure{errSecAuthFailed};
    }
    // The file may have been replaced by a change while the key was derived: the key is stored
    // under the identity the file has now, provided it still opens it.
    LockFile lock;
    if (Result<void> locked = LockKeychainFolder(path, lock); !locked.Ok()) {
        return Failure{KeychainStatusForErrno(locked.Errno())};
    }
    Result<KeychainSnapshot> current = ReadKeychainFile(path);
    if (!current.Ok()) {
        return Failure{current.Status()};
    }
    if (!KeyMatchesFile(current->preamble, key->Bytes())) {
        return Failure{errSecAuthFailed};
    }
    // A file whose index is damaged is not unlocked: it would look usable and fail at every item.
    if (OSStatus status = IndexStatus(current.Value(), key->Bytes()); status != noErr) {
        return Failure{status};
    }
    OSStatus status = StoreUnlockedKey(KeyDescription(current->identity, current->preamble.header.fileId), key->Bytes(),
                                       LifeOfNewKey(path, current->preamble.header.settings));
    if (status != noErr) {
        return Failure{status};
    }
    return key;
}

Result<SecretBuffer> PromptUntilUnlocked(const std::string& path, const KeychainSnapshot& snapshot)
{
    for (uint32_t attempt = 1; attempt <= kUnlockAttempts; ++attempt) {
        SecretBuffer password;
        OSStatus status = AskPassword(kPlatformPasswordUnlock, path, attempt, password);
        if (status != noErr) {
            return Failure{status};
        }
        Result<SecretBuffer> key = UnlockSnapshot(path, snapshot, password.Bytes());
        if (key.Ok() || key.Status() != errSecAuthFailed) {
            return key;
        }
    }
    return Failure{errSecAuthFailed};
}

}  // namespace

void RemoveKeysOfGoneKeychains()
{
    for (const std::string& description : UnlockedKeyDescriptions()) {
        std::optional<StoredKey> stored = FindUnlockedKey(description);
        if (!stored.has_value()) {
            // Gone since it was listed (another process moved it to its rewritten file), or of a
            // layout this build cannot read, which opens nothing. It is not removed blind: a writer
            // may have just stored the key of its new file under the same name (an inode reused).
            continue;
        }
        // The judgement and the removal both happen under the keychain folder's lock, which every
        // writer holds from storing a new file's key to removing the old one's.
        LockFile lock;
        if (!stored->life.path.empty()) {
            const std::string& path = stored->life.path;
            // Only tried: the sweep runs at every keychain call and can wait for a later one.
            const int error = LockKeychainFolder(path, lock, true).Errno();
            if (error != 0 && error != ENOENT && error != ENOTDIR) {
                continue;  // not ours to judge now
            }
            Result<KeychainSnapshot> file = error == 0 ? ReadKeychainPreamble(path) : Failure{errSecNoSuchKeychain};
            if (file.Ok() ? KeyDescription(file->identity, file->preamble.header.fileId) == description
                          : file.Status() != errSecNoSuchKeychain) {
                // Its keychain, or a file that cannot be read now (damaged, forbidden): a damaged
                // file is told as damaged, and its key goes when it is locked.
                continue;
            }
        }
        // The file is gone, or is another keychain (another id), or the key is under an identity of
        // it that a killed writer left behind.
        RemoveUnlockedKey(description);
    }
}

Result<SecretBuffer> FindMatchingKey(const KeychainSnapshot& snapshot)
{
    std::string description = KeyDescription(snapshot.identity, snapshot.preamble.header.fileId);
    std::optional<StoredKey> stored = FindUnlockedKey(description);
    if (!stored.has_value()) {
        return Failure{errSecAuthFailed};
    }
    // A key left under a recycled inode, or by a keychain since replaced, does not count.
    if (!KeyMatchesFile(snapshot.preamble, stored->masterKey.Bytes())) {
        return Failure{errSecAuthFailed};
    }
    // The machine slept since the unlock: a keychain that locks on sleep is locked now.
    if (snapshot.preamble.header.settings.lockOnSleep && SleptSince(stored->life.sleptAtUnlock)) {
        RemoveEveryUnlockedKeyOf(description);
        return Failure{errSecAuthFailed};
    }
    return std::move(stored->masterKey);
}

Result<SecretBuffer> FindMatchingKeySettled(const std::string& path, const KeychainSnapshot& snapshot)
{
    RemoveKeysOfGoneKeychains();
    Result<SecretBuffer> key = FindMatchingKey(snapshot);
    if (key.Ok()) {
        return key;
    }
    // Another process may have replaced the file since it was read, and moved its key to the new
    // file's identity (which may even be the old inode again, freed and reused in between). Changes
    // hold the folder's lock from the rename until the old key is gone, so under the lock the file
    // and its key agree.
    LockFile lock;
    LockKeychainFolder(path, lock);
    Result<KeychainSnapshot> current = ReadKeychainPreamble(path);
    if (!current.Ok()) {
        return key;
    }
    return FindMatchingKey(current.Value());
}

Result<SecretBuffer> RequireKey(const std::string& path, const KeychainSnapshot& snapshot)
{
    Result<SecretBuffer> key = FindMatchingKeySettled(path, snapshot);
    if (key.Ok()) {
        return key;
    }
    return PromptUntilUnlocked(path, snapshot);
}

OSStatus UnlockWithPassword(const std::string& path, std::span<const uint8_t> password)
{
    RemoveKeysOfGoneKeychains();
    Result<KeychainSnapshot> snapshot = ReadKeychainPreamble(path);
    if (!snapshot.Ok()) {
        return snapshot.Status();
    }
    return UnlockSnapshot(path, snapshot.Value(), password).Status();
}

OSStatus UnlockByPrompt(const std::string& path)
{
    Result<KeychainSnapshot> snapshot = ReadKeychainPreamble(path);
    if (!snapshot.Ok()) {
        return snapshot.Status();
    }
    return RequireKey(path, snapshot.Value()).Status();
}

OSStatus LockKeychainFile(const std::string& path)
{
    // Under the folder's lock, so that a change being written cannot carry the key over to the
    // new file after it was removed from the old one.
    RemoveKeysOfGoneKeychains();
    LockFile lock;
    LockKeychainFolder(path, lock);
    struct stat identity {};
    if (::stat(path.c_str(), &identity) != 0) {
        return KeychainStatusForErrno(errno);
    }
    if (std::string description = KeyDescriptionOfFile(path); !description.empty()) {
        RemoveEveryUnlockedKeyOf(description);
    }
    // Locked either way; a damaged file is still told, as every other call tells it.
    return ReadKeychainPreamble(path).Status();
}

Result<uint32_t> KeychainStatusBits(const std::string& path)
{
    struct stat identity {};
    // The preamble and the index are all the status checks: the items' records are not read, so a
    // keychain of many notes costs no more at every menu than one of a few.
    Result<KeychainSnapshot> snapshot = ReadKeychainStart(path);
    uint32_t bits = 0;
    if (snapshot.Ok()) {
        identity = snapshot->identity;
        if (Result<SecretBuffer> key = FindMatchingKeySettled(path, snapshot.Value()); key.Ok()) {
            // With the key at hand the index can be checked too, so that a damaged file is told as
            // damaged rather than as unlocked.
            if (OSStatus status = IndexStatus(snapshot.Value(), key->Bytes()); status != noErr) {
                return Failure{status};
            }
            bits |= kSecUnlockStateStatus;
        }
    } else if (snapshot.Status() != permErr || ::stat(path.c_str(), &identity) != 0) {
        // A keychain deleted since its unlock leaves its key in the user's keyring, and nothing
        // else may ever look at a keychain again: asking for a missing one's status sweeps them.
        if (snapshot.Status() == errSecNoSuchKeychain) {
            RemoveKeysOfGoneKeychains();
        }
        // A file the user may not read still has permissions to report; anything else is an error.
        return Failure{snapshot.Status()};
    }
    // The permissions of the file as the user's: the owner's bits when the user owns it.
    mode_t mode = identity.st_mode;
    bool owner = identity.st_uid == ::geteuid();
    bool group = !owner && identity.st_gid == ::getegid();
    mode_t read = owner ? S_IRUSR : group ? S_IRGRP : S_IROTH;
    mode_t write = owner ? S_IWUSR : group ? S_IWGRP : S_IWOTH;
    if (mode & read) {
        bits |= kSecReadPermStatus;
    }
    if (mode & write) {
        bits |= kSecWritePermStatus;
    }
    return bits;
}

}  // namespace platform::security
