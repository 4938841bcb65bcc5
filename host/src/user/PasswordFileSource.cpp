#include "user/PasswordFileSource.h"

#include <Security/SecBase.h>

#include "ErrnoStatus.h"
#include "PathParts.h"
#include "RegularFile.h"

#include <cstring>
#include <fcntl.h>

namespace cmhost {
namespace {

// A password that has been turned down this often is not offered again.
constexpr int kRefusalsBeforeCancel = 3;

}  // namespace

platform::Result<PasswordFileSource> PasswordFileSource::Load(const std::string& path)
{
    const platform::Failure tooLong{fsDataTooBigErr, 0,
                                    "--password-file: " + path + " holds more than " +
                                        std::to_string(kPlatformPasswordCapacity) + " bytes"};
    platform::ScopedFd file;
    struct stat info {};
    platform::Result<void> failure = platform::OpenRegularFile(AT_FDCWD, platform::ResolveUserPath(path), file, info);
    if (failure.Status() == notAFileErr) {
        return platform::Failure{notAFileErr, 0, "--password-file: " + path + " is not a regular file"};
    }
    // One byte more than the room, so a final newline past it can still be left out.
    SecretBytes password;
    password.Reserve(kPlatformPasswordCapacity + 2);
    if (failure.Ok()) {
        failure = platform::ReadOpenFile(file.Get(), path, kPlatformPasswordCapacity + 1, [&](std::span<const char> chunk) {
            password.Append(chunk.data(), chunk.size());
            return true;
        });
    }
    if (failure.Errno() != 0) {
        return platform::ErrnoFailure("--password-file: cannot read " + path, failure.Errno());
    }
    if (!failure.Ok()) {
        return tooLong;
    }
    if (!password.Empty() && password.Data()[password.Size() - 1] == '\n')
        password.DropLast(1);
    if (password.Size() > kPlatformPasswordCapacity) {
        return tooLong;
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
    // A new keychain is never made with an empty password; a file cannot be asked again, so the
    // creation is given up.
    if (request.kind == kPlatformPasswordCreate && mPassword.Empty())
        return userCanceledErr;
    if (mPassword.Size() > capacity)
        return errSecParam;
    std::memcpy(buffer, mPassword.Data(), mPassword.Size());
    *length = static_cast<UInt32>(mPassword.Size());
    return noErr;
}

}  // namespace cmhost
