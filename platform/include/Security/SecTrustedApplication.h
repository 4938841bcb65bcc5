// Trusted applications: the applications an access-control entry names.
#pragma once

#include <Security/SecBase.h>

#ifdef __cplusplus
extern "C" {
#endif

CFTypeID SecTrustedApplicationGetTypeID(void);

#ifdef __cplusplus
}
#endif
