// Letting the run loop fire what the plug-in left scheduled after a menu command, as the
// application's event loop would once the menu has closed.
#pragma once

namespace cmhost {

// How long the host waits at most for the timers a command left behind.
constexpr double kPendingTimersLimitSeconds = 2.0;

// Runs the main thread's run loop in the default mode, a firing at a time, until no timer is left
// in it or limitSeconds have passed in all. True when nothing was left scheduled.
bool RunPendingTimers(double limitSeconds = kPendingTimersLimitSeconds);

}  // namespace cmhost
