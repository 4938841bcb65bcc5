// Letting the run loop fire what the plug-in left scheduled after a menu command, as the
// application's event loop would once the menu has closed.
#pragma once

namespace cmhost {

// How long the host waits at most, in all, for timers to fall due. Time the timers spend working
// (a paste of a large clip into the document) is not waiting and does not count.
constexpr double kPendingTimersLimitSeconds = 2.0;

// Runs the main thread's run loop in the default mode, a firing at a time, until no timer is left
// in it or limitSeconds have passed waiting for the next firing. True when nothing was left
// scheduled. A timer that is still ahead after that wait, or a repeating one whose waits add up to
// the limit, leaves false.
bool RunPendingTimers(double limitSeconds = kPendingTimersLimitSeconds);

}  // namespace cmhost
