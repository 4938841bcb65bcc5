// Whether the machine slept: CLOCK_BOOTTIME goes on while the machine sleeps and CLOCK_MONOTONIC
// does not, so their difference grows by the time spent asleep and by nothing else. A key stored
// with the difference of its unlock lapses, for a keychain that locks on sleep, once the difference
// has grown: no daemon has to be awake at the moment of sleep.
#pragma once

#include <cstdint>
#include <functional>

namespace platform::security {

// How long the machine has slept since it booted, in nanoseconds.
int64_t SleptNanoseconds();

// Growth of the slept time below this is the two clocks' reading jitter, not a sleep.
inline constexpr int64_t kSleepToleranceNanoseconds = 2'000'000'000;

// Whether the machine slept since sleptAtUnlock was read.
bool SleptSince(int64_t sleptAtUnlock);

// Replaces the clocks with clock (an empty function restores them), for tests that make the
// machine sleep.
void SetSleepClockForTesting(std::function<int64_t()> clock);

}  // namespace platform::security
