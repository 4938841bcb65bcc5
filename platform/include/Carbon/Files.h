// File references. Only what the descriptor utilities need so far: the opaque FSRef value that a
// descriptor of type typeFSRef carries. Nothing here makes one yet, and no coercion produces
// typeFSRef (AECoerceDesc answers errAECoercionFail), so a file reference is only ever read from
// a descriptor that already holds one.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// A fixed-size opaque value naming an existing file or folder; its bytes mean nothing outside the
// File Manager.
typedef struct FSRef {
    UInt8 hidden[80];
} FSRef;

#ifdef __cplusplus
}
#endif
