// Keys in the user's kernel keyring (keyutils), as "user" keys whose payload is the master key, its
// deadline, the slept time at unlock and the keychain's path.
#include "security/UnlockedKeyStore.h"

#include "base/FreeDeleter.h"
#include "security/ByteCodec.h"

#include <keyutils.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <ctime>

namespace platform::security {
namespace {

constexpr size_t kFixedPayloadSize = 32 + 8 + 8;
// The path follows the fixed part; a path is at most PATH_MAX bytes.
constexpr size_t kMaxPayloadSize = kFixedPayloadSize + 4096;

// The possessor may do anything; every other process of the same user may find, read, replace,
// time out and remove the key. Group and others get nothing.
constexpr key_perm_t kKeyPermissions = KEY_POS_ALL | KEY_USR_VIEW | KEY_USR_READ | KEY_USR_WRITE |
                                       KEY_USR_SEARCH | KEY_USR_LINK | KEY_USR_SETATTR;

class KernelKeyStore final : public UnlockedKeyStore {
public:
    Result<void> Store(const std::string& description, std::span<const uint8_t> masterKey, const KeyLife& life) override
    {
        SecretBuffer payload(kFixedPayloadSize + life.path.size());
        if (!payload.Valid() || masterKey.size() != 32 || payload.Size() > kMaxPayloadSize) {
            return ErrnoFailure("cannot keep the keychain's key", ENOMEM);
        }
        std::memcpy(payload.Data(), masterKey.data(), 32);
        for (int i = 0; i < 8; ++i) {
            payload.Data()[32 + i] = static_cast<uint8_t>(static_cast<uint64_t>(life.deadline) >> (8 * i));
            payload.Data()[40 + i] = static_cast<uint8_t>(static_cast<uint64_t>(life.sleptAtUnlock) >> (8 * i));
        }
        std::memcpy(payload.Data() + kFixedPayloadSize, life.path.data(), life.path.size());
        key_serial_t key = add_key("user", description.c_str(), payload.Data(), payload.Size(),
                                   KEY_SPEC_USER_KEYRING);
        if (key < 0) {
            return ErrnoFailure("cannot keep the keychain's key", errno);
        }
        if (keyctl_setperm(key, kKeyPermissions) != 0) {
            int error = errno;
            keyctl_invalidate(key);
            return ErrnoFailure("cannot keep the keychain's key", error);
        }
        // Replacing a key keeps its old timeout: set it every time, 0 meaning none.
        unsigned timeout = 0;
        if (life.deadline > 0) {
            int64_t left = life.deadline - static_cast<int64_t>(::time(nullptr));
            timeout = static_cast<unsigned>(left < 1 ? 1 : left);
        }
        keyctl_set_timeout(key, timeout);
        return {};
    }

    std::optional<StoredKey> Find(const std::string& description) override
    {
        long key = keyctl_search(KEY_SPEC_USER_KEYRING, "user", description.c_str(), 0);
        if (key < 0) {
            return std::nullopt;
        }
        SecretBuffer payload(kMaxPayloadSize);
        if (!payload.Valid()) {
            return std::nullopt;
        }
        long size = keyctl_read(static_cast<key_serial_t>(key), reinterpret_cast<char*>(payload.Data()),
                                payload.Size());
        // A payload of another layout (an older build's) is no key of this one.
        if (size < static_cast<long>(kFixedPayloadSize) || size > static_cast<long>(kMaxPayloadSize)) {
            return std::nullopt;
        }
        StoredKey stored;
        stored.masterKey = SecretBuffer::CopyOf(payload.Bytes().first(32));
        ByteReader in(payload.Bytes().subspan(32, 16));
        uint64_t deadline = 0;
        uint64_t slept = 0;
        in.U64(deadline);
        in.U64(slept);
        stored.life.deadline = static_cast<int64_t>(deadline);
        stored.life.sleptAtUnlock = static_cast<int64_t>(slept);
        stored.life.path.assign(reinterpret_cast<const char*>(payload.Data()) + kFixedPayloadSize,
                                static_cast<size_t>(size) - kFixedPayloadSize);
        if (!stored.masterKey.Valid()) {
            return std::nullopt;
        }
        return stored;
    }

    void Remove(const std::string& description) override
    {
        for (;;) {
            long key = keyctl_search(KEY_SPEC_USER_KEYRING, "user", description.c_str(), 0);
            if (key < 0) {
                return;
            }
            if (keyctl_invalidate(static_cast<key_serial_t>(key)) != 0 &&
                keyctl_unlink(static_cast<key_serial_t>(key), KEY_SPEC_USER_KEYRING) != 0) {
                return;
            }
        }
    }

    std::vector<std::string> Descriptions() override
    {
        std::vector<std::string> descriptions;
        void* list = nullptr;
        long size = keyctl_read_alloc(KEY_SPEC_USER_KEYRING, &list);
        MallocOwned<void> listOwner(list);
        if (size < 0) {
            return descriptions;
        }
        const auto* keys = static_cast<const key_serial_t*>(list);
        for (size_t i = 0; i < static_cast<size_t>(size) / sizeof(key_serial_t); ++i) {
            char* text = nullptr;
            if (keyctl_describe_alloc(keys[i], &text) < 0) {
                continue;  // gone since the list was read, or not ours to see
            }
            MallocOwned<char> textOwner(text);
            // "type;uid;gid;perm;description": the description is whatever follows the fourth ';'.
            std::string_view described(text);
            size_t start = 0;
            for (int field = 0; field < 4 && start != std::string_view::npos; ++field) {
                size_t next = described.find(';', start);
                start = next == std::string_view::npos ? next : next + 1;
            }
            if (start != std::string_view::npos && described.starts_with("user;")) {
                descriptions.emplace_back(described.substr(start));
            }
        }
        return descriptions;
    }
};

}  // namespace

std::unique_ptr<UnlockedKeyStore> MakeKernelKeyStore()
{
    return std::make_unique<KernelKeyStore>();
}

}  // namespace platform::security
