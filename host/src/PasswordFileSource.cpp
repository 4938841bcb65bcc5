#include "PasswordFileSource.h"

#include <Security/SecBase.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace cmhost {
namespace {

// A password that has been turned down this often is not offered again.
constexpr int kRefusalsBeforeCancel = 3;

class ScopedFd {
public:
    explicit ScopedFd(int fd) : mFd(fd) {}
    ~ScopedFd()
    {
        if (mFd >= 0)
            close(mFd);
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    int Get() const { return mFd; }

private:
    int mFd;
};

}  // namespace

std::optional<PasswordFileSource> PasswordFileSource::Load(const std::string& path, std::string& error)
{
    ScopedFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (file.Get() < 0) {
        error = "--password-file: cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // One byte more than the room, so a final newline past it can still be left out.
    SecretBytes password;
    password.Reserve(kPlatformPasswordCapacity + 2);
    char buffer[256];
    for (;;) {
        ssize_t count = read(file.Get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            error = "--password-file: cannot read " + path + ": " + std::strerror(errno);
            explicit_bzero(buffer, sizeof buffer);
            return std::nullopt;
        }
        if (count == 0)
            break;
        if (password.Size() + static_cast<size_t>(count) > kPlatformPasswordCapacity + 1) {
            explicit_bzero(buffer, sizeof buffer);
            error = "--password-file: " + path + " holds more than " + std::to_string(kPlatformPasswordCapacity) +
                    " bytes";
            return std::nullopt;
        }
        password.Append(buffer, static_cast<size_t>(count));
    }
    explicit_bzero(buffer, sizeof buffer);
    if (!password.Empty() && password.Data()[password.Size() - 1] == '\n')
        password.DropLast(1);
    if (password.Size() > kPlatformPasswordCapacity) {
        error = "--password-file: " + path + " holds more than " + std::to_string(kPlatformPasswordCapacity) + " bytes";
        return std::nullopt;
    }
    return PasswordFileSource(std::move(password));
}

OSStatus PasswordFileSource::Answer(const PlatformPasswordRequest& request, char* buffer, UInt32 capacity,
                                    UInt32* length)
{
    if (request.kind == kPlatformPasswordUnlock) {
        KeychainRecord& record = mKeychains[request.keychainPath != nullptr ? request.keychainPath : ""];
        // Given up on this keychain: the answer cannot change.
        if (record.refusals >= kRefusalsBeforeCancel)
            return userCanceledErr;
        if (request.attempt > 1) {
            // Asked again within one unlock: the answer just given was turned down.
            ++record.refusals;
            record.unlockRefused = true;
        } else if (record.unlockRefused) {
            // A new unlock after one that turned the answer down: its last answer, the same one,
            // was turned down as well, or the keychain would not be asking.
            ++record.refusals;
            record.unlockRefused = false;
        } else {
            record.refusals = 0;
        }
        if (record.refusals >= kRefusalsBeforeCancel)
            return userCanceledErr;
    }
    if (mPassword.Size() > capacity)
        return errSecParam;
    std::memcpy(buffer, mPassword.Data(), mPassword.Size());
    *length = static_cast<UInt32>(mPassword.Size());
    return noErr;
}

}  // namespace cmhost
