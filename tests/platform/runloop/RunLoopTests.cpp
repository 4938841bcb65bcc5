// Run loops and timers: firing order, one-shot and repeating timers, modes and nested runs, the
// ways a run ends, callbacks that invalidate and release their own timer, other threads.
#include <CoreFoundation/CoreFoundation.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Owns the creation reference of a timer; invalidates it on the way out so a failed test leaves
// nothing scheduled on the main loop for the next one.
class OwnedTimer {
public:
    explicit OwnedTimer(CFRunLoopTimerRef timer) : mTimer(timer) {}
    ~OwnedTimer()
    {
        if (mTimer != nullptr) {
            CFRunLoopTimerInvalidate(mTimer);
            CFRelease(mTimer);
        }
    }
    OwnedTimer(const OwnedTimer&) = delete;
    OwnedTimer& operator=(const OwnedTimer&) = delete;
    CFRunLoopTimerRef get() const { return mTimer; }

private:
    CFRunLoopTimerRef mTimer;
};

struct Firings {
    std::vector<std::string> names;
};

struct NamedTimer {
    Firings* firings;
    std::string name;
};

void RecordFiring(CFRunLoopTimerRef, void* info)
{
    auto* named = static_cast<NamedTimer*>(info);
    named->firings->names.push_back(named->name);
}

CFRunLoopTimerRef MakeTimer(CFAbsoluteTime fireDate, CFTimeInterval interval, CFIndex order, NamedTimer* named,
                            CFRunLoopTimerCallBack callout = &RecordFiring)
{
    CFRunLoopTimerContext context{0, named, nullptr, nullptr, nullptr};
    return CFRunLoopTimerCreate(nullptr, fireDate, interval, 0, order, callout, &context);
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(RunLoop, DueTimersFireByDateThenOrderThenCreation)
{
    Firings firings;
    const CFAbsoluteTime past = CFAbsoluteTimeGetCurrent() - 1.0;
    NamedTimer late{&firings, "late"}, second{&firings, "order 2"}, first{&firings, "order 1"},
        earliest{&firings, "earliest"}, tie{&firings, "order 1 again"};
    OwnedTimer a(MakeTimer(past + 0.5, 0, 0, &late));
    OwnedTimer b(MakeTimer(past, 0, 2, &second));
    OwnedTimer c(MakeTimer(past, 0, 1, &first));
    OwnedTimer d(MakeTimer(past - 0.5, 0, 9, &earliest));
    OwnedTimer e(MakeTimer(past, 0, 1, &tie));
    for (const OwnedTimer* timer : {&a, &b, &c, &d, &e}) {
        CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer->get(), kCFRunLoopDefaultMode);
    }
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0, false), kCFRunLoopRunFinished);
    EXPECT_EQ(firings.names,
              (std::vector<std::string>{"earliest", "order 1", "order 1 again", "order 2", "late"}));
    // Fired one-shot timers are invalid for good: adding one again schedules nothing.
    EXPECT_FALSE(CFRunLoopTimerIsValid(a.get()));
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), a.get(), kCFRunLoopDefaultMode);
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, false), kCFRunLoopRunFinished);
    EXPECT_EQ(firings.names.size(), 5u);
}

TEST(RunLoop, RepeatingTimerIsRescheduledAndHandledSourceEndsTheRun)
{
    Firings firings;
    NamedTimer tick{&firings, "tick"};
    const CFAbsoluteTime start = CFAbsoluteTimeGetCurrent();
    OwnedTimer timer(MakeTimer(start, 0.02, 0, &tick));
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.get(), kCFRunLoopDefaultMode);

    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 2.0, true), kCFRunLoopRunHandledSource);
    }
    EXPECT_EQ(firings.names.size(), 3u);
    EXPECT_TRUE(CFRunLoopTimerIsValid(timer.get()));
    // Without returning after a firing, a repeating timer keeps the run going until its time ends.
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, false), kCFRunLoopRunTimedOut);
    EXPECT_GE(firings.names.size(), 5u);
}

TEST(RunLoop, RunEndsFinishedWithNothingScheduledAndTimesOutBeforeAFarTimer)
{
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 5.0, false), kCFRunLoopRunFinished);

    Firings firings;
    NamedTimer far{&firings, "far"}, elsewhere{&firings, "elsewhere"};
    OwnedTimer farTimer(MakeTimer(CFAbsoluteTimeGetCurrent() + 30, 0, 0, &far));
    OwnedTimer modeTimer(MakeTimer(CFAbsoluteTimeGetCurrent() - 1, 0, 0, &elsewhere));
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), modeTimer.get(), CFSTR("SomeOtherMode"));
    // A named-mode timer is not part of the default mode, however overdue.
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 5.0, false), kCFRunLoopRunFinished);

    CFRunLoopAddTimer(CFRunLoopGetCurrent(), farTimer.get(), kCFRunLoopDefaultMode);
    const auto start = Clock::now();
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, false), kCFRunLoopRunTimedOut);
    EXPECT_GE(SecondsSince(start), 0.095);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_TRUE(firings.names.empty());
    // Running the common modes themselves is no mode at all.
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopCommonModes, 0.1, false), kCFRunLoopRunFinished);
}

// A command that runs a modal loop in a mode of its own while a paste timer is pending.
struct ModalCommand {
    Firings* firings;
    SInt32 nestedResult = 0;
};

void RunModalLoop(CFRunLoopTimerRef, void* info)
{
    auto* command = static_cast<ModalCommand*>(info);
    command->firings->names.push_back("modal begins");
    command->nestedResult = CFRunLoopRunInMode(CFSTR("ModalMode"), 2.0, false);
    command->firings->names.push_back("modal ends");
}

TEST(RunLoop, CommonModeTimersFireInsideANestedRunOfAnotherMode)
{
    Firings firings;
    ModalCommand command{&firings};
    NamedTimer paste{&firings, "paste"}, defaultOnly{&firings, "default only"};
    const CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
    CFRunLoopTimerContext context{0, &command, nullptr, nullptr, nullptr};
    OwnedTimer modal(CFRunLoopTimerCreate(nullptr, now - 1, 0, 0, 0, &RunModalLoop, &context));
    OwnedTimer pasteTimer(MakeTimer(now + 0.03, 0, 0, &paste));
    OwnedTimer defaultTimer(MakeTimer(now + 0.01, 0, 0, &defaultOnly));
    CFRunLoopRef loop = CFRunLoopGetCurrent();
    CFRunLoopAddTimer(loop, modal.get(), kCFRunLoopDefaultMode);
    CFRunLoopAddTimer(loop, pasteTimer.get(), kCFRunLoopCommonModes);
    CFRunLoopAddTimer(loop, defaultTimer.get(), kCFRunLoopDefaultMode);

    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 2.0, true), kCFRunLoopRunHandledSource);
    // The nested run fired the common-mode timer, left the default-mode one alone and ended when
    // nothing was left in its mode (the outer timer, inside its callout, does not count).
    EXPECT_EQ(command.nestedResult, kCFRunLoopRunFinished);
    EXPECT_EQ(firings.names, (std::vector<std::string>{"modal begins", "paste", "modal ends"}));
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 2.0, false), kCFRunLoopRunFinished);
    EXPECT_EQ(firings.names.back(), "default only");
}

// The plug-in's paste callback: invalidate, then give back the creation reference, inside the
// callout itself.
struct SelfReleasing {
    int fired = 0;
    int retains = 0;
    int releases = 0;
    long liveBefore = 0;
};

const void* RetainInfo(const void* info)
{
    static_cast<SelfReleasing*>(const_cast<void*>(info))->retains++;
    return info;
}

void ReleaseInfo(const void* info)
{
    static_cast<SelfReleasing*>(const_cast<void*>(info))->releases++;
}

CFStringRef DescribeInfo(const void*)
{
    return CFStringCreateWithCString(nullptr, "the paste", kCFStringEncodingUTF8);
}

void InvalidateAndRelease(CFRunLoopTimerRef timer, void* info)
{
    auto* state = static_cast<SelfReleasing*>(info);
    state->fired++;
    CFRunLoopTimerInvalidate(timer);
    CFRelease(timer);
    // The timer must survive the callout although its creator and its loop have let go.
    EXPECT_EQ(CFGetRetainCount(timer), 1);
    EXPECT_FALSE(CFRunLoopTimerIsValid(timer));
}

TEST(RunLoop, CallbackMayInvalidateAndReleaseItsOwnTimer)
{
    SelfReleasing state;
    const long before = PlatformLiveObjectCount();
    CFRunLoopTimerContext context{0, &state, &RetainInfo, &ReleaseInfo, &DescribeInfo};
    CFRunLoopTimerRef timer =
        CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + 0.01, 0, 0, 0, &InvalidateAndRelease, &context);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(state.retains, 1);
    CFStringRef description = CFCopyDescription(timer);
    char text[256] = "";
    EXPECT_TRUE(CFStringGetCString(description, text, sizeof text, kCFStringEncodingUTF8));
    CFRelease(description);
    EXPECT_NE(std::string(text).find("info = the paste"), std::string::npos) << text;
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);

    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 2.0, false), kCFRunLoopRunFinished);
    EXPECT_EQ(state.fired, 1);
    EXPECT_EQ(state.releases, 1);
    EXPECT_EQ(PlatformLiveObjectCount(), before);
}

TEST(RunLoop, InfoIsReleasedOnceWhetherInvalidatedOrJustReleased)
{
    SelfReleasing state;
    CFRunLoopTimerContext context{0, &state, &RetainInfo, &ReleaseInfo, nullptr};
    CFRunLoopTimerRef never = CFRunLoopTimerCreate(nullptr, 0, 0, 0, 0, &InvalidateAndRelease, &context);
    CFRelease(never);
    EXPECT_EQ(state.releases, 1);

    CFRunLoopTimerRef invalidated = CFRunLoopTimerCreate(nullptr, 0, 0, 0, 0, &InvalidateAndRelease, &context);
    CFRunLoopTimerInvalidate(invalidated);
    EXPECT_EQ(state.releases, 2);
    CFRunLoopTimerInvalidate(invalidated);
    CFRelease(invalidated);
    EXPECT_EQ(state.retains, 2);
    EXPECT_EQ(state.releases, 2);
    EXPECT_EQ(state.fired, 0);
}

void SignalStarted(CFRunLoopTimerRef, void* info)
{
    static_cast<std::atomic<bool>*>(info)->store(true);
}

TEST(RunLoop, AnotherThreadStopsARunThatSleeps)
{
    std::atomic<bool> started{false};
    CFRunLoopTimerContext context{0, &started, nullptr, nullptr, nullptr};
    // Fires at once, then not for a minute: the run sleeps after the first firing.
    OwnedTimer timer(CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent(), 60, 0, 0, &SignalStarted, &context));
    CFRunLoopRef loop = CFRunLoopGetCurrent();
    CFRunLoopAddTimer(loop, timer.get(), kCFRunLoopDefaultMode);
    std::thread stopper([&] {
        while (!started.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        CFRunLoopStop(loop);
    });
    const auto start = Clock::now();
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10.0, false), kCFRunLoopRunStopped);
    EXPECT_LT(SecondsSince(start), 5.0);
    stopper.join();
    // The stop ended that run only.
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, false), kCFRunLoopRunTimedOut);
}

TEST(RunLoop, TimerAddedFromAnotherThreadWakesTheLoop)
{
    Firings firings;
    NamedTimer far{&firings, "far"}, added{&firings, "added"};
    OwnedTimer farTimer(MakeTimer(CFAbsoluteTimeGetCurrent() + 60, 0, 0, &far));
    OwnedTimer addedTimer(MakeTimer(CFAbsoluteTimeGetCurrent(), 0, 0, &added));
    CFRunLoopRef loop = CFRunLoopGetCurrent();
    CFRunLoopAddTimer(loop, farTimer.get(), kCFRunLoopDefaultMode);
    std::thread adder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        CFRunLoopAddTimer(loop, addedTimer.get(), kCFRunLoopDefaultMode);
    });
    const auto start = Clock::now();
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10.0, true), kCFRunLoopRunHandledSource);
    EXPECT_LT(SecondsSince(start), 5.0);
    adder.join();
    EXPECT_EQ(firings.names, std::vector<std::string>{"added"});
}

TEST(RunLoop, EachThreadHasItsOwnLoopAndAnEndingThreadDropsItsTimers)
{
    SelfReleasing state;
    CFRunLoopRef mainLoop = CFRunLoopGetCurrent();
    CFRunLoopRef workerLoop = nullptr;
    CFRunLoopTimerRef leftBehind = nullptr;
    int workerFirings = 0;
    std::thread worker([&] {
        workerLoop = CFRunLoopGetCurrent();
        CFRetain(workerLoop);
        EXPECT_EQ(CFRunLoopGetCurrent(), workerLoop);
        Firings firings;
        NamedTimer here{&firings, "worker"};
        OwnedTimer timer(MakeTimer(CFAbsoluteTimeGetCurrent(), 0, 0, &here));
        CFRunLoopAddTimer(workerLoop, timer.get(), kCFRunLoopDefaultMode);
        EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0, false), kCFRunLoopRunFinished);
        workerFirings = static_cast<int>(firings.names.size());
        // Scheduled but never run: the loop holds it when the thread ends.
        CFRunLoopTimerContext context{0, &state, &RetainInfo, &ReleaseInfo, nullptr};
        leftBehind = CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + 60, 0, 0, 0,
                                          &InvalidateAndRelease, &context);
        CFRunLoopAddTimer(workerLoop, leftBehind, kCFRunLoopDefaultMode);
        // A timer belongs to one loop.
        CFRunLoopAddTimer(mainLoop, leftBehind, kCFRunLoopDefaultMode);
        EXPECT_FALSE(CFRunLoopContainsTimer(mainLoop, leftBehind, kCFRunLoopDefaultMode));
        EXPECT_TRUE(CFRunLoopContainsTimer(workerLoop, leftBehind, kCFRunLoopDefaultMode));
    });
    worker.join();
    EXPECT_NE(workerLoop, mainLoop);
    EXPECT_EQ(workerFirings, 1);
    EXPECT_FALSE(CFRunLoopTimerIsValid(leftBehind));
    EXPECT_EQ(state.releases, 1);
    // The ended loop schedules nothing any more.
    CFRunLoopTimerRef late = CFRunLoopTimerCreate(nullptr, 0, 0, 0, 0, &InvalidateAndRelease, nullptr);
    CFRunLoopAddTimer(workerLoop, late, kCFRunLoopDefaultMode);
    EXPECT_FALSE(CFRunLoopContainsTimer(workerLoop, late, kCFRunLoopDefaultMode));
    CFRelease(late);
    CFRelease(leftBehind);
    CFRelease(workerLoop);
    EXPECT_EQ(CFGetTypeID(mainLoop), CFRunLoopGetTypeID());
}

}  // namespace
