// Keys held by this process alone, for systems that refuse the kernel keyring.
#include "security/UnlockedKeyStore.h"

#include <cerrno>
#include <ctime>
#include <map>
#include <mutex>

namespace platform::security {
namespace {

class ProcessKeyStore final : public UnlockedKeyStore {
public:
    int Store(const std::string& description, std::span<const uint8_t> masterKey, int64_t deadline) override
    {
        SecretBuffer copy = SecretBuffer::CopyOf(masterKey);
        if (!copy.Valid()) {
            return ENOMEM;
        }
        std::lock_guard lock(mMutex);
        mKeys[description] = StoredKey{std::move(copy), deadline};
        return 0;
    }

    std::optional<StoredKey> Find(const std::string& description) override
    {
        std::lock_guard lock(mMutex);
        auto found = mKeys.find(description);
        if (found == mKeys.end()) {
            return std::nullopt;
        }
        if (found->second.deadline > 0 && found->second.deadline <= static_cast<int64_t>(::time(nullptr))) {
            mKeys.erase(found);
            return std::nullopt;
        }
        StoredKey copy{SecretBuffer::CopyOf(found->second.masterKey.Bytes()), found->second.deadline};
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

private:
    std::mutex mMutex;
    std::map<std::string, StoredKey> mKeys;
};

}  // namespace

std::unique_ptr<UnlockedKeyStore> MakeProcessKeyStore()
{
    return std::make_unique<ProcessKeyStore>();
}

}  // namespace platform::security
