// Trusted applications: the applications an access-control entry names.
#pragma once

#include <Security/SecBase.h>

#ifdef __cplusplus
extern "C" {
#endif

CFTypeID SecTrustedApplicationGetTypeID(void);

// An application named by its path (+1); NULL names the calling program.
OSStatus SecTrustedApplicationCreateFromPath(const char* path, SecTrustedApplicationRef* app);

// The application's identifying data (+1): its path in UTF-8, without a terminator.
OSStatus SecTrustedApplicationCopyData(SecTrustedApplicationRef appRef, CFDataRef* data);

#ifdef __cplusplus
}
#endif
