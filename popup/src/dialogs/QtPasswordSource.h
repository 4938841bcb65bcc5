// The password source of the person at the desktop: each prompt is a password window. A new
// keychain's password is typed twice, in two fields, and asked again when the two differ or it is
// empty, as often as the terminal asks; an unlock says which attempt it is. Cancel cancels.
#pragma once

#include "user/PasswordSource.h"

namespace popup {

class QtPasswordSource : public cmhost::PasswordAnswerer {
public:
    OSStatus Answer(const PlatformPasswordRequest& request, char* buffer, UInt32 capacity, UInt32* length) override;
};

}  // namespace popup
