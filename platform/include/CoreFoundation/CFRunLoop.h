// Run loops and their timers. Each thread has one run loop. A timer added in the common modes
// fires whichever mode the loop runs in, so it also fires inside a nested modal loop; a timer added
// in a named mode fires only while the loop runs in that mode. The run loop retains a timer while
// it is scheduled; invalidating a timer unschedules it for good.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDate.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueCFRunLoop* CFRunLoopRef;
typedef struct OpaqueCFRunLoopTimer* CFRunLoopTimerRef;

typedef void (*CFRunLoopTimerCallBack)(CFRunLoopTimerRef timer, void* info);

typedef struct {
    CFIndex version;
    void* info;
    const void* (*retain)(const void* info);
    void (*release)(const void* info);
    CFStringRef (*copyDescription)(const void* info);
} CFRunLoopTimerContext;

enum {
    kCFRunLoopRunFinished = 1,       // no timer is scheduled in the mode
    kCFRunLoopRunStopped = 2,        // CFRunLoopStop was called
    kCFRunLoopRunTimedOut = 3,       // the time given has passed
    kCFRunLoopRunHandledSource = 4   // a timer fired and returnAfterSourceHandled was true
};

extern const CFStringRef kCFRunLoopDefaultMode;
extern const CFStringRef kCFRunLoopCommonModes;

CFTypeID CFRunLoopGetTypeID(void);
// The calling thread's run loop (not retained).
CFRunLoopRef CFRunLoopGetCurrent(void);
// Runs the calling thread's run loop in a mode for at most seconds, firing the timers that fall
// due; answers one of the kCFRunLoopRun results.
SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled);
void CFRunLoopStop(CFRunLoopRef rl);

CFTypeID CFRunLoopTimerGetTypeID(void);
// A timer (+1) that calls callout at fireDate and then every interval seconds (0: once). The
// context's info is kept with its retain callback, if any, and given back with release.
CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef allocator, CFAbsoluteTime fireDate, CFTimeInterval interval,
                                       CFOptionFlags flags, CFIndex order, CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context);
void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFStringRef mode);
Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFStringRef mode);
void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer);
Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer);

#ifdef __cplusplus
}
#endif
