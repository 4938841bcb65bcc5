#include "SecretHandout.h"

#include <atomic>
#include <chrono>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
// A paste follows its read at once; a read that no paste followed does not mark a later one.
constexpr auto kRecent = std::chrono::seconds(5);

std::atomic<Clock::rep> gHandedOutAt{0};

}  // namespace

void NoteSecretHandedOut()
{
    gHandedOutAt.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
}

bool TakeRecentSecretHandout()
{
    const Clock::rep at = gHandedOutAt.exchange(0, std::memory_order_relaxed);
    return at != 0 && Clock::now() - Clock::time_point(Clock::duration(at)) < kRecent;
}

}  // namespace platform
