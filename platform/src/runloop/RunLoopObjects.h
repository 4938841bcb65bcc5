// The run loop and timer objects and the one lock that guards their scheduling state. A single
// process-wide lock keeps adding, removing, invalidating and firing consistent when a timer or a
// loop is touched from another thread; callouts and releases always happen with it unlocked, so a
// callback may call back into the run loop freely.
#pragma once

#include "base/CFOwner.h"
#include "cf/Runtime.h"

#include <CoreFoundation/CFRunLoop.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct OpaqueCFRunLoop;

struct OpaqueCFRunLoopTimer : platform::RuntimeBase {
    OpaqueCFRunLoopTimer(CFAbsoluteTime fireDate_, CFTimeInterval interval_, CFIndex order_,
                         CFRunLoopTimerCallBack callout_, const CFRunLoopTimerContext& context_, std::uint64_t sequence_)
        : fireDate(fireDate_), interval(interval_), order(order_), callout(callout_), context(context_),
          sequence(sequence_)
    {
    }

    // Guarded by RunLoopMutex().
    CFAbsoluteTime fireDate;
    const CFTimeInterval interval;  // 0 or less: fires once
    const CFIndex order;
    const CFRunLoopTimerCallBack callout;
    CFRunLoopTimerContext context;  // info already retained through context.retain
    const std::uint64_t sequence;   // creation order: the last tie-break between equal timers
    bool valid = true;
    bool firing = false;            // inside its callout: a nested run must not fire it again
    OpaqueCFRunLoop* runLoop = nullptr;  // the loop it is scheduled on (not retained)
    std::vector<std::u16string> modes;   // the modes it was added in, by name
};

// One active CFRunLoopRunInMode on the loop; CFRunLoopStop ends the innermost one.
struct RunFrame {
    bool stopped = false;
};

struct OpaqueCFRunLoop : platform::RuntimeBase {
    // Guarded by RunLoopMutex().
    std::condition_variable wake;
    std::uint64_t wakeCount = 0;          // bumped by everything that may change what a run waits for
    std::vector<RunFrame*> frames;        // the runs in progress, innermost last
    std::vector<OpaqueCFRunLoopTimer*> timers;  // scheduled timers, one reference each
    bool threadEnded = false;             // its thread has exited: nothing can be scheduled any more
};

namespace platform {

extern const RuntimeClass kRunLoopClass;
extern const RuntimeClass kRunLoopTimerClass;

std::mutex& RunLoopMutex();

// True when the timer may fire while the loop runs in the mode named.
bool TimerRunsInMode(const OpaqueCFRunLoopTimer* timer, const std::u16string& mode);

// Takes the timer out of its loop and marks it invalid. Answers what the caller must give back once
// the lock is given back, by FinishUnscheduling: the loop's reference on the timer (or none) and the
// context's info.
struct Unscheduled {
    CFOwner<CFRunLoopTimerRef> timerReference;
    void (*releaseInfo)(const void* info) = nullptr;
    const void* info = nullptr;
};
Unscheduled InvalidateLocked(OpaqueCFRunLoopTimer* timer);
// Gives back the info, then the loop's reference on the timer.
void FinishUnscheduling(Unscheduled unscheduled);

}  // namespace platform
