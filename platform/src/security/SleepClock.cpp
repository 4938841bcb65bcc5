#include "security/SleepClock.h"

#include <time.h>

#include <mutex>

namespace platform::security {
namespace {

struct SleepClock {
    std::mutex mutex;
    std::function<int64_t()> forTesting;
};

SleepClock& Clock()
{
    static SleepClock* clock = new SleepClock;
    return *clock;
}

int64_t Nanoseconds(clockid_t id)
{
    struct timespec now {};
    ::clock_gettime(id, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int64_t SleptNanoseconds()
{
    {
        SleepClock& clock = Clock();
        std::lock_guard lock(clock.mutex);
        if (clock.forTesting) {
            return clock.forTesting();
        }
    }
    return Nanoseconds(CLOCK_BOOTTIME) - Nanoseconds(CLOCK_MONOTONIC);
}

bool SleptSince(int64_t sleptAtUnlock)
{
    return SleptNanoseconds() - sleptAtUnlock > kSleepToleranceNanoseconds;
}

void SetSleepClockForTesting(std::function<int64_t()> clock)
{
    SleepClock& sleepClock = Clock();
    std::lock_guard lock(sleepClock.mutex);
    sleepClock.forTesting = std::move(clock);
}

}  // namespace platform::security
