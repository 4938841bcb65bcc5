#include "user/PasswordSource.h"

#include <Security/SecBase.h>

namespace cmhost {

ScopedPasswordSource::ScopedPasswordSource(PasswordAnswerer& answerer) : mAnswerer(answerer)
{
    PlatformSetPasswordSource(&Ask, this);
}

ScopedPasswordSource::~ScopedPasswordSource()
{
    PlatformSetPasswordSource(nullptr, nullptr);
}

OSStatus ScopedPasswordSource::Ask(void* context, const PlatformPasswordRequest* request, char* buffer,
                                   UInt32 capacity, UInt32* length)
{
    auto* self = static_cast<ScopedPasswordSource*>(context);
    if (request == nullptr || buffer == nullptr || length == nullptr)
        return errSecParam;
    *length = 0;
    OSStatus status = self->mAnswerer.Answer(*request, buffer, capacity, length);
    if (status == noErr)
        ++self->mAnswered;
    return status;
}

}  // namespace cmhost
