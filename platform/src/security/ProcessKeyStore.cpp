// Keys held by this process alone, for systems that refuse the kernel keyring.
#include "security/UnlockedKeyStore.h"

#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <map>
#include <mutex>

namespace platform::security {
namespace {

class ProcessKeyStore final : public UnlockedKeyStore {
public:
    Result<void> Store(const std::string& description, std::span<const uint8_t> masterKey, const KeyLife& life) override
    {
        SecretBuffer copy = SecretBuffer::CopyOf(masterKey);
        if (!copy.Valid()) {
            return ErrnoFailure("cannot keep the keychain's key", ENOMEM);
        }
        std::lock_guard lock(mMutex);
        mKeys[description] = Held{StoredKey{std::move(copy), life}, ::getpid()};
        return {};
    }

    std::optional<StoredKey> Find(const std::string& description) override
    {
        std::lock_guard lock(mMutex);
        auto found = mKeys.find(description);
        // A child made by fork has a copy of its parent's memory, not its unlocked keychains.
        if (found == mKeys.end() || found->second.holder != ::getpid()) {
            return std::nullopt;
        }
        const StoredKey& key = found->second.key;
        if (key.life.deadline > 0 && key.life.deadline <= static_cast<int64_t>(::time(nullptr))) {
            mKeys.erase(found);
            return std::nullopt;
        }
        StoredKey copy{SecretBuffer::CopyOf(key.masterKey.Bytes()), key.life};
        if (!copy.masterKey.Valid()) {
            return std::nullopt;
        }
        return copy;
    }

    void Remove(const std::string& description) override
    {
        std::lock_guard lock(mMutex);
        mKeys.erase(description);
    }

    std::vector<std::string> Descriptions() override
    {
        std::lock_guard lock(mMutex);
        std::vector<std::string> descriptions;
        for (const auto& [description, held] : mKeys) {
            descriptions.push_back(description);
        }
        return descriptions;
    }

private:
    struct Held {
        StoredKey key;
        pid_t holder;
    };
    std::mutex mMutex;
    std::map<std::string, Held> mKeys;
};

}  // namespace

std::unique_ptr<UnlockedKeyStore> MakeProcessKeyStore()
{
    return std::make_unique<ProcessKeyStore>();
}

}  // namespace platform::security
