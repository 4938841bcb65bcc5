// Waiting for the timers a command left behind: the wait is bounded on time spent waiting, so a
// firing that works for long (a paste of a large clip) is waited for whatever it takes, while a
// timer that never falls due, or one that repeats for ever, is still given up on.
#include "application/PendingTimers.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct Chain {
    double workSeconds;  // how long each firing works
    int firingsLeft;     // further one-shot timers each firing schedules after itself
    int fired = 0;
};

void Work(CFRunLoopTimerRef, void* info)
{
    auto* chain = static_cast<Chain*>(info);
    ++chain->fired;
    std::this_thread::sleep_for(std::chrono::duration<double>(chain->workSeconds));
    if (chain->firingsLeft-- > 0) {
        CFRunLoopTimerContext context{0, chain, nullptr, nullptr, nullptr};
        CFRunLoopTimerRef next = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + 0.01, 0, 0, 0,
                                                      Work, &context);
        CFRunLoopAddTimer(CFRunLoopGetCurrent(), next, kCFRunLoopDefaultMode);
        CFRelease(next);
    }
}

TEST(PendingTimers, TheWaitIsBoundedOnWaitingNotOnWork)
{
    struct Case {
        const char* what;
        double firstIn;   // seconds until the first firing
        double interval;  // 0: one-shot
        double workSeconds;
        int chained;
        bool finished;
        int firings;  // how many firings at least
    };
    // A limit of half a second keeps the cases short; the default limit is the same rule.
    constexpr double kLimit = 0.5;
    const Case cases[] = {
        {"one firing that works past the limit", 0.01, 0, 1.0, 0, true, 1},
        {"firings that schedule each other past the limit", 0.01, 0, 0.3, 3, true, 4},
        {"a timer that falls due after the limit", 30, 0, 0, 0, false, 0},
        {"a timer that repeats for ever", 0.01, 0.05, 0, 0, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Chain chain{c.workSeconds, c.chained};
        CFRunLoopTimerContext context{0, &chain, nullptr, nullptr, nullptr};
        CFRunLoopTimerRef timer = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + c.firstIn,
                                                       c.interval, 0, 0, Work, &context);
        CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopDefaultMode);
        EXPECT_EQ(c.finished, cmhost::RunPendingTimers(kLimit));
        EXPECT_GE(chain.fired, c.firings);
        CFRunLoopTimerInvalidate(timer);
        CFRelease(timer);
        // Whatever a case left behind goes before the next one.
        while (CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true) == kCFRunLoopRunHandledSource) {
        }
    }
}

}  // namespace
