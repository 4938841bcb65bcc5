// The keychain file as the Sec calls use it: reading it, creating it, rewriting it, its unlocked
// key, and its items. Functions take the keychain's path and answer a status or a value.
#pragma once

#include "security/KeychainFileReader.h"
#include "security/KeychainFileWriter.h"
#include "security/KeychainFormat.h"
#include "base/Result.h"
#include "security/SecretBuffer.h"

#include <MacTypes.h>

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace platform {
class LockFile;
}

namespace platform::security {

// The status for an errno value met on a keychain file: the platform's one table, told in the
// keychain's own terms where it has them (a missing file is errSecNoSuchKeychain, a write-protected
// one errSecReadOnly).
OSStatus KeychainStatusForErrno(int error);

// Takes the exclusive lock on the folder that holds the keychain at path, held while a change is
// read, made and written, and while a key is stored or removed for the file, so that no process
// loses another's change or sees a key land under the identity of a file just replaced. The folder
// itself is locked rather than a lock file beside the keychain, which would be one more file among
// the user's. Waited for a bounded time (the platform's lock wait), or only tried. A failure carries
// the errno value (EWOULDBLOCK when another process kept it).
Result<void> LockKeychainFolder(const std::string& path, LockFile& lock, bool tryOnly = false);

// A whole file (or its start, see ReadKeychainStart) as read at one moment, with its identity and
// its parsed preamble.
struct KeychainSnapshot {
    std::vector<uint8_t> bytes;
    struct stat identity {};
    ParsedPreamble preamble;
};

// The description under which the key of the keychain file at path is kept while it is unlocked,
// read from the file's identity and its id. Only the id's place in the file is read, so that a
// keychain damaged elsewhere can still be locked. Empty when the file cannot be read or is no
// keychain file.
std::string KeyDescriptionOfFile(const std::string& path);

// Reads the whole file (bounded by kMaxFileSize). errSecNoSuchKeychain when it is missing,
// errSecInvalidKeychain when it is damaged or not a regular file.
Result<KeychainSnapshot> ReadKeychainFile(const std::string& path);
// Reads the preamble only (the status of a locked keychain needs no more).
Result<KeychainSnapshot> ReadKeychainPreamble(const std::string& path);
// Reads the preamble and the index that follows it: bytes then hold that start of the file, and
// identity.st_size the whole file's size (what the status of an unlocked keychain checks, however
// many items the file holds).
Result<KeychainSnapshot> ReadKeychainStart(const std::string& path);

// The Argon2id cost of new files.
struct CreationCost {
    uint64_t opsLimit;
    uint64_t memLimit;
};
CreationCost CurrentCreationCost();

// Creates a keychain file with no items, unlocked with the password. errSecParam for an empty
// password, and no file is made.
OSStatus CreateKeychainFile(const std::string& path, std::span<const uint8_t> password);

// --- Lock state -----------------------------------------------------------------------------------

// When a key stored now lapses under these settings (seconds since the epoch; 0: never).
int64_t UnlockDeadline(const KeychainSettingsRecord& settings);
// What is kept with a key of the keychain at path unlocked now.
struct KeyLife;
KeyLife LifeOfNewKey(const std::string& path, const KeychainSettingsRecord& settings);

// Removes every key whose keychain file is gone or is now another keychain, each checked under its
// folder's lock (so that a key stored for a file about to appear is left alone). Called at the start
// of every keychain call, with no folder locked.
void RemoveKeysOfGoneKeychains();

// The key in the unlocked-key store for this file, when there is one that opens it.
Result<SecretBuffer> FindMatchingKey(const KeychainSnapshot& snapshot);
// The same, looked up again under the folder's lock when the file was replaced since it was read.
Result<SecretBuffer> FindMatchingKeySettled(const std::string& path, const KeychainSnapshot& snapshot);
// The key of an unlocked file; a locked one is unlocked first through the password source.
Result<SecretBuffer> RequireKey(const std::string& path, const KeychainSnapshot& snapshot);
OSStatus UnlockWithPassword(const std::string& path, std::span<const uint8_t> password);
OSStatus UnlockByPrompt(const std::string& path);
OSStatus LockKeychainFile(const std::string& path);
// kSecUnlockStateStatus, kSecReadPermStatus, kSecWritePermStatus.
Result<uint32_t> KeychainStatusBits(const std::string& path);

// --- Changes --------------------------------------------------------------------------------------

// What an edit of the file works on: the header (its settings may change), the records in order
// (existing ones as they are in the file), the next item id, and room for new sealed records.
struct KeychainEdit {
    KeychainHeader header;
    std::span<const uint8_t> headerBytes;
    std::span<const uint8_t> masterKey;
    std::vector<PlacedItem>* items;
    uint64_t nextId;
    std::vector<std::vector<uint8_t>>* newRecords;  // keeps new sealed records alive
};

// Rewrites the file under the folder's lock after edit has changed what it was given. The file is
// re-read under the lock, and replaced only when it opens with the key and the edit succeeds.
OSStatus RewriteKeychainFile(const std::string& path, std::span<const uint8_t> masterKey,
                             const std::function<OSStatus(KeychainEdit&)>& edit);
// The same with the file's own key, unlocking a locked file through the password source first.
OSStatus EditKeychainFile(const std::string& path, const std::function<OSStatus(KeychainEdit&)>& edit);

OSStatus SetKeychainSettings(const std::string& path, const KeychainSettingsRecord& settings);

// --- Items ----------------------------------------------------------------------------------------

// The index entries, in creation order.
Result<std::vector<IndexEntry>> ListKeychainItems(const std::string& path);
// One item; errSecInvalidItemRef when it is no longer in the file.
Result<ItemRecord> ReadKeychainItem(const std::string& path, uint64_t id);
// Adds an item and answers its id.
Result<uint64_t> AddKeychainItem(const std::string& path, uint32_t itemClass, std::vector<ItemAttribute> attributes,
                                 std::span<const uint8_t> data, const AccessRecord& access);
OSStatus DeleteKeychainItem(const std::string& path, uint64_t id);

}  // namespace platform::security
