// Where the master keys of unlocked keychains are kept. Normally the user's kernel keyring: every
// process of the user sees a keychain unlocked in any of them, keys lapse by themselves when the
// lock interval is in use, and they are gone at logout. Where the kernel refuses the keyring (some
// container and sandbox profiles do), keys stay in the process that unlocked, and every process
// asks for the password itself; this is said once on standard error.
#pragma once

#include "base/Result.h"
#include "security/SecretBuffer.h"

#include <MacTypes.h>

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::security {

// What is kept with a key besides the key itself.
struct KeyLife {
    int64_t deadline = 0;       // seconds since the epoch when the key lapses; 0: never
    int64_t sleptAtUnlock = 0;  // SleptNanoseconds() when the keychain was unlocked
    std::string path;           // the keychain file's path, to find keys whose file is gone
};

struct StoredKey {
    SecretBuffer masterKey;
    KeyLife life;
};

// One place that holds keys by description.
class UnlockedKeyStore {
public:
    virtual ~UnlockedKeyStore() = default;
    // A failure carries the errno that refused the key.
    virtual Result<void> Store(const std::string& description, std::span<const uint8_t> masterKey,
                               const KeyLife& life) = 0;
    virtual std::optional<StoredKey> Find(const std::string& description) = 0;
    virtual void Remove(const std::string& description) = 0;
    // The descriptions of every key held, for finding keys left under an old identity of a file.
    virtual std::vector<std::string> Descriptions() = 0;
};

std::unique_ptr<UnlockedKeyStore> MakeKernelKeyStore();
std::unique_ptr<UnlockedKeyStore> MakeProcessKeyStore();

// The description of the key of the keychain file with this identity: it names the file by device
// and inode, which the file keeps while it is replaced by rename (the new content's temporary file
// is described before it takes the old one's place), and by the random id the keychain got when it
// was created. The id keeps apart two keychains that meet on one inode: the inode a keychain frees
// when it is replaced may be taken by another keychain's new file at once, before the first one
// has removed the key it had there.
std::string KeyDescription(const struct stat& file, std::span<const uint8_t> fileId);

// The store in use.
OSStatus StoreUnlockedKey(const std::string& description, std::span<const uint8_t> masterKey, const KeyLife& life);
std::optional<StoredKey> FindUnlockedKey(const std::string& description);
void RemoveUnlockedKey(const std::string& description);
// Removes the key under the description and every key of the same keychain (the same random id)
// under another device and inode: a writer killed between storing the key under its new file's
// identity and removing it from the old one leaves the master key behind, and locking must not.
void RemoveEveryUnlockedKeyOf(const std::string& description);

// The descriptions of every keychain key held in the store in use, this process's or not.
std::vector<std::string> UnlockedKeyDescriptions();

// Every description this process stored a key under since the last call, for test fixtures that
// clean up after themselves.
std::vector<std::string> TakeDescriptionsStoredForTesting();

// Makes the kernel keyring refuse every key with the errno (0: stop), and forgets that it was
// refused before, for tests of the fallback to keys held by the process.
void SimulateKernelKeyringRefusalForTesting(int error);

}  // namespace platform::security
