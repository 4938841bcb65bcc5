#include "application/PendingTimers.h"

#include <CoreFoundation/CoreFoundation.h>

#include <chrono>

namespace cmhost {

bool RunPendingTimers(double limitSeconds)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds));
    for (;;) {
        const double left = std::chrono::duration<double>(end - Clock::now()).count();
        if (left <= 0)
            return false;
        // One firing at a time, so a repeating timer cannot keep the host past its limit unnoticed.
        switch (CFRunLoopRunInMode(kCFRunLoopDefaultMode, left, true)) {
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
