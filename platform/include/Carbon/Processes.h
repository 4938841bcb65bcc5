// The Process Manager's front process: which application is in front, and bringing one forward.
// Only the calling process and the applications the host names (PlatformUIDriver.h) are known.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ProcessSerialNumber {
    UInt32 highLongOfPSN;
    UInt32 lowLongOfPSN;
} ProcessSerialNumber;

// Special serial numbers in the low word (high word 0): no process, the system, and the calling
// process.
enum {
    kNoProcess = 0,
    kSystemProcess = 1,
    kCurrentProcess = 2
};

enum {
    procNotFound = -600
};

// The process in front.
OSErr GetFrontProcess(ProcessSerialNumber* PSN);
// Brings the process to the front; procNotFound for a process that is not known.
OSErr SetFrontProcess(const ProcessSerialNumber* PSN);
// Whether both numbers name the same process ({0, kCurrentProcess} names the calling one).
OSErr SameProcess(const ProcessSerialNumber* PSN1, const ProcessSerialNumber* PSN2, Boolean* result);

#ifdef __cplusplus
}
#endif
