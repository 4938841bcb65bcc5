// Gestalt: questions about the running system.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    gestaltSystemVersion = 'sysv'
};

// gestaltSystemVersion answers the system version that the host set (one hexadecimal digit per
// decimal digit, 0x1068 for 10.6.8); other selectors fail with gestaltUndefSelectorErr, and a host
// that set the version 0 makes it fail with gestaltUnknownErr. On failure *response is 0. A NULL
// response: paramErr.
OSErr Gestalt(OSType selector, SInt32* response);

#ifdef __cplusplus
}
#endif
