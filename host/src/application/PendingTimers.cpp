#include "application/PendingTimers.h"

#include <CoreFoundation/CoreFoundation.h>
#include <PlatformHost.h>

#include <chrono>

namespace cmhost {

bool RunPendingTimers(double limitSeconds)
{
    using Clock = std::chrono::steady_clock;
    // The bound is on waiting, not on the whole: a firing that works for a long while is progress,
    // and the wait starts again after it.
    double waited = 0;
    for (;;) {
        const double left = limitSeconds - waited;
        if (left <= 0)
            return false;
        const Clock::time_point start = Clock::now();
        const CFTimeInterval workedBefore = PlatformRunLoopTimeInCallouts();
        // One firing at a time, so a repeating timer cannot keep the host past its limit unnoticed.
        const SInt32 result = CFRunLoopRunInMode(kCFRunLoopDefaultMode, left, true);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        waited += elapsed - (PlatformRunLoopTimeInCallouts() - workedBefore);
        switch (result) {
        case kCFRunLoopRunFinished:
            return true;
        case kCFRunLoopRunHandledSource:
        case kCFRunLoopRunStopped:  // a callback ended that run; the host's wait goes on
            continue;
        default:
            return false;
        }
    }
}

}  // namespace cmhost
