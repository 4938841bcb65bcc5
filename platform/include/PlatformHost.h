// Extensions of the platform stand-in that have no counterpart on the original platform: used by
// the host program and the tests only, never by the plug-in.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

// The number of platform objects alive in the process (constants excluded). Tests compare it
// before and after each case: a leak or an over-release shows as a difference.
long PlatformLiveObjectCount(void);

// The system version that Gestalt(gestaltSystemVersion) answers, one hexadecimal digit per decimal
// digit (0x1068, the default, is 10.6.8). 0 makes Gestalt fail, as on a system that cannot tell.
void PlatformSetSystemVersion(SInt32 version);
SInt32 PlatformGetSystemVersion(void);

// Makes the next count calls of NewPtr / NewPtrClear on the calling thread fail as if memory had
// run out (NULL, MemError() memFullErr). 0 cancels what is left. For tests of the code that must
// survive a failed allocation.
void PlatformFailNextAllocationsForTesting(int count);

// Why the last CFBundleCreate, CFPlugInCreate, CFBundleLoadExecutable or CFPlugInInstanceCreate
// on this thread failed, as one line of text (+1). Each of those calls forgets the previous reason
// when it starts, so the answer is NULL when the last of them succeeded.
CFStringRef PlatformCopyLastBundleError(void);

// The number of instances registered for a factory (CFPlugInAddInstanceForFactory).
CFIndex PlatformPlugInInstanceCount(CFUUIDRef factoryID);

#ifdef __cplusplus
}
#endif
