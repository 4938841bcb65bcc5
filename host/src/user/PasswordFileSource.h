// The password source of --password-file: every prompt is answered with the file's content (a
// final newline left out). The answer never changes, so once a keychain has turned it down three
// times, a further prompt for that keychain is cancelled instead of failing for ever. An empty file
// cancels the creation of a keychain: a new keychain never gets an empty password.
#pragma once

#include "user/PasswordSource.h"
#include "user/SecretBytes.h"

#include "Result.h"

#include <map>
#include <optional>
#include <string>

namespace cmhost {

class PasswordFileSource : public PasswordAnswerer {
public:
    // Reads the file; a failure with a one-line reason when it cannot be read or does not fit the
    // room a prompt gives (kPlatformPasswordCapacity bytes).
    static platform::Result<PasswordFileSource> Load(const std::string& path);

    explicit PasswordFileSource(SecretBytes password) : mPassword(std::move(password)) {}

    OSStatus Answer(const PlatformPasswordRequest& request, char* buffer, UInt32 capacity, UInt32* length) override;

private:
    struct KeychainRecord {
        int refusals = 0;            // times in a row the keychain turned the password down
        bool unlockRefused = false;  // the latest unlock asked more than once
    };

    SecretBytes mPassword;
    std::map<std::string, KeychainRecord> mKeychains;
};

}  // namespace cmhost
