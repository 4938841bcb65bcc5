// The lock state of a keychain file: its key in the unlocked-key store, unlocking with a password
// or through the password source, locking, and the status bits.
#include "security/KeychainFile.h"

#include "base/LockFile.h"
#include "security/KeychainCrypto.h"
#include "security/PasswordPrompt.h"
#include "security/UnlockedKeyStore.h"

#include <Security/SecBase.h>
#include <Security/SecKeychain.h>

#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace platform::security {
namespace {

constexpr uint32_t kUnlockAttempts = 3;

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
    if (int error = LockKeychainFolder(path, lock); error != 0) {
        return Failure{KeychainStatusForErrno(error)};
    }
    Result<KeychainSnapshot> current = ReadKeychainPreamble(path);
    if (!current.Ok()) {
        return Failure{current.Status()};
    }
    if (!KeyMatchesFile(current->preamble, key->Bytes())) {
        return Failure{errSecAuthFailed};
    }
    OSStatus status = StoreUnlockedKey(KeyDescription(current->identity, current->preamble.header.fileId), key->Bytes(),
                                       UnlockDeadline(current->preamble.header.settings));
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

Result<SecretBuffer> FindMatchingKey(const KeychainSnapshot& snapshot)
{
    std::optional<StoredKey> stored = FindUnlockedKey(KeyDescription(snapshot.identity, snapshot.preamble.header.fileId));
    if (!stored.has_value()) {
        return Failure{errSecAuthFailed};
    }
    // A key left under a recycled inode, or by a keychain since replaced, does not count.
    if (!KeyMatchesFile(snapshot.preamble, stored->masterKey.Bytes())) {
        return Failure{errSecAuthFailed};
    }
    return std::move(stored->masterKey);
}

Result<SecretBuffer> FindMatchingKeySettled(const std::string& path, const KeychainSnapshot& snapshot)
{
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
    LockFile lock;
    LockKeychainFolder(path, lock);
    struct stat identity {};
    if (::stat(path.c_str(), &identity) != 0) {
        return KeychainStatusForErrno(errno);
    }
    if (std::string description = KeyDescriptionOfFile(path); !description.empty()) {
        RemoveEveryUnlockedKeyOf(description);
    }
    return noErr;
}

Result<uint32_t> KeychainStatusBits(const std::string& path)
{
    struct stat identity {};
    Result<KeychainSnapshot> snapshot = ReadKeychainPreamble(path);
    uint32_t bits = 0;
    if (snapshot.Ok()) {
        identity = snapshot->identity;
        if (FindMatchingKeySettled(path, snapshot.Value()).Ok()) {
            bits |= kSecUnlockStateStatus;
        }
    } else if (snapshot.Status() != permErr || ::stat(path.c_str(), &identity) != 0) {
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
