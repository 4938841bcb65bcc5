// Asking the user for a keychain password through the password source the host installed.
#pragma once

#include "security/SecretBuffer.h"

#include <PlatformPasswords.h>

#include <cstdint>
#include <string>

namespace platform::security {

// The password in secret memory, or the source's answer (userCanceledErr, errSecInteractionNotAllowed
// when no source is installed, ...).
OSStatus AskPassword(PlatformPasswordRequestKind kind, const std::string& path, uint32_t attempt,
                     SecretBuffer& password);

}  // namespace platform::security
