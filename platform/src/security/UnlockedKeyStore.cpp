#include "security/UnlockedKeyStore.h"

#include <PlatformPasswords.h>
#include <Security/SecBase.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>

namespace platform::security {
namespace {

struct StoreChoice {
    std::mutex mutex;
    std::unique_ptr<UnlockedKeyStore> kernel = MakeKernelKeyStore();
    std::unique_ptr<UnlockedKeyStore> process = MakeProcessKeyStore();
    bool kernelRefused = false;
    bool processForTesting = false;
    bool told = false;
    int simulatedRefusal = 0;  // an errno the kernel keyring answers in tests, 0 for none
    std::set<std::string> stored;

    UnlockedKeyStore& Active() { return kernelRefused || processForTesting ? *process : *kernel; }
};

StoreChoice& Choice()
{
    static StoreChoice* choice = new StoreChoice;
    return *choice;
}

constexpr std::string_view kKeyDescriptionPrefix = "stashwell:keychain:";

// The errors by which a kernel says that this process may not use the keyring at all.
bool IsRefusal(int error)
{
    return error == EPERM || error == EACCES || error == ENOSYS || error == EOPNOTSUPP || error == EDQUOT;
}

}  // namespace

std::string KeyDescription(const struct stat& file, std::span<const uint8_t> fileId)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string description = std::string(kKeyDescriptionPrefix) + std::to_string(static_cast<unsigned long long>(file.st_dev)) +
                              ":" + std::to_string(static_cast<unsigned long long>(file.st_ino)) + ":";
    for (uint8_t byte : fileId) {
        description += kDigits[byte >> 4];
        description += kDigits[byte & 0x0F];
    }
    return description;
}

OSStatus StoreUnlockedKey(const std::string& description, std::span<const uint8_t> masterKey, const KeyLife& life)
{
    StoreChoice& choice = Choice();
    std::lock_guard lock(choice.mutex);
    choice.stored.insert(description);
    bool toKernel = &choice.Active() == choice.kernel.get();
    int error = toKernel && choice.simulatedRefusal != 0 ? choice.simulatedRefusal
                                                         : choice.Active().Store(description, masterKey, life).Errno();
    if (error != 0 && IsRefusal(error) && !choice.kernelRefused && !choice.processForTesting) {
        choice.kernelRefused = true;
        if (!choice.told) {
            choice.told = true;
            std::fprintf(stderr,
                         "keychain: the kernel keyring is not available (%s); each program will ask for the "
                         "keychain password itself\n",
                         std::strerror(error));
        }
        error = choice.Active().Store(description, masterKey, life).Errno();
    }
    return error == 0 ? OSStatus{noErr} : OSStatus{errSecAllocate};
}

std::optional<StoredKey> FindUnlockedKey(const std::string& description)
{
    StoreChoice& choice = Choice();
    std::lock_guard lock(choice.mutex);
    return choice.Active().Find(description);
}

void RemoveUnlockedKey(const std::string& description)
{
    StoreChoice& choice = Choice();
    std::lock_guard lock(choice.mutex);
    choice.Active().Remove(description);
}

void RemoveEveryUnlockedKeyOf(const std::string& description)
{
    // The id is the last field; every description of ours has one.
    size_t idStart = description.rfind(':');
    if (!description.starts_with(kKeyDescriptionPrefix) || idStart == std::string::npos) {
        return;
    }
    std::string_view id = std::string_view(description).substr(idStart);
    StoreChoice& choice = Choice();
    std::lock_guard lock(choice.mutex);
    choice.Active().Remove(description);
    for (const std::string& held : choice.Active().Descriptions()) {
        if (held.starts_with(kKeyDescriptionPrefix) && held.ends_with(id)) {
            choice.Active().Remove(held);
        }
    }
}

std::vector<std::string> UnlockedKeyDescriptions()
{
    StoreChoice& choice = Choice();
    std::lock_guard lock(choice.mutex);
    std::vector<std::string> ours;
    for (std::string& held : choice.Active().Descriptions()) {
        if (held.starts_with(kKeyDescriptionPrefix)) {
            ours.push_back(std::move(held));
        }
    }
    return ours;
}

std::vector<std::string> TakeDescriptionsStoredForTesting()
{
    StoreChoice& choice = Choice();
    std::lock_guard lock(choice.mutex);
    std::vector<std::string> taken(choice.stored.begin(), choice.stored.end());
    choice.stored.clear();
    return taken;
}

void SimulateKernelKeyringRefusalForTesting(int error)
{
    StoreChoice& choice = Choice();
    std::lock_guard lock(choice.mutex);
    choice.simulatedRefusal = error;
    choice.kernelRefused = false;
    choice.told = false;
}

}  // namespace platform::security

void PlatformUseProcessKeyStoreForTesting(Boolean useProcessStore)
{
    platform::security::StoreChoice& choice = platform::security::Choice();
    std::lock_guard lock(choice.mutex);
    choice.processForTesting = useProcessStore != 0;
}
