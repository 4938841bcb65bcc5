#include "security/PasswordPrompt.h"

#include <Security/SecBase.h>
#include <Security/SecKeychain.h>

#include <atomic>

#include <mutex>

namespace platform::security {
namespace {

struct InstalledSource {
    std::mutex mutex;
    PlatformPasswordSource source = nullptr;
    void* context = nullptr;
};

InstalledSource& Installed()
{
    static InstalledSource* installed = new InstalledSource;
    return *installed;
}

std::atomic<bool> gInteractionAllowed{true};

}  // namespace

OSStatus AskPassword(PlatformPasswordRequestKind kind, const std::string& path, uint32_t attempt,
                     SecretBuffer& password)
{
    if (!gInteractionAllowed.load()) {
        return errSecInteractionNotAllowed;
    }
    PlatformPasswordSource source = nullptr;
    void* context = nullptr;
    {
        InstalledSource& installed = Installed();
        std::lock_guard lock(installed.mutex);
        source = installed.source;
        context = installed.context;
    }
    if (source == nullptr) {
        return errSecInteractionNotAllowed;
    }
    SecretBuffer buffer(kPlatformPasswordCapacity);
    if (!buffer.Valid()) {
        return errSecAllocate;
    }
    PlatformPasswordRequest request{kind, path.c_str(), attempt};
    UInt32 length = 0;
    OSStatus status = source(context, &request, reinterpret_cast<char*>(buffer.Data()),
                             static_cast<UInt32>(buffer.Size()), &length);
    if (status != noErr) {
        return status;
    }
    if (length > buffer.Size()) {
        return errSecParam;
    }
    buffer.Shrink(length);
    password = std::move(buffer);
    return noErr;
}

}  // namespace platform::security

void PlatformSetPasswordSource(PlatformPasswordSource source, void* context)
{
    platform::security::InstalledSource& installed = platform::security::Installed();
    std::lock_guard lock(installed.mutex);
    installed.source = source;
    installed.context = context;
}

OSStatus SecKeychainSetUserInteractionAllowed(Boolean state)
{
    platform::security::gInteractionAllowed.store(state != 0);
    return noErr;
}

OSStatus SecKeychainGetUserInteractionAllowed(Boolean* state)
{
    if (state == nullptr) {
        return errSecParam;
    }
    *state = platform::security::gInteractionAllowed.load() ? TRUE : FALSE;
    return noErr;
}
