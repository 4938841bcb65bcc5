// Run loops: one per thread, made on first use; running a mode fires the timers that fall due, in
// fire-date order, and sleeps until the next one, the end of the run, a stop or a wake-up.
#include "runloop/RunLoopObjects.h"

#include "cf/StringObject.h"

#include <PlatformHost.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The time this thread has spent inside timer callouts, so that a host can tell a run that waited
// from one whose timers were busy working (a paste of many megabytes).
thread_local SteadyClock::duration tTimeInCallouts{};

std::string DescribeRunLoop(const RuntimeBase* object)
{
    const auto* loop = static_cast<const OpaqueCFRunLoop*>(object);
    size_t timers;
    size_t depth;
    {
        std::lock_guard lock(RunLoopMutex());
        timers = loop->timers.size();
        depth = loop->frames.size();
    }
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "<CFRunLoop %p>{timers = %zu, runs in progress = %zu}",
                  static_cast<const void*>(object), timers, depth);
    return buffer;
}

// Takes every timer out of a loop that can never run again, invalidating them: nothing would ever
// fire them, and their info should go back now.
void DropAllTimers(OpaqueCFRunLoop* loop)
{
    std::vector<Unscheduled> dropped;
    {
        std::lock_guard lock(RunLoopMutex());
        loop->threadEnded = true;
        while (!loop->timers.empty()) {
            dropped.push_back(InvalidateLocked(loop->timers.back()));
        }
    }
    for (Unscheduled& unscheduled : dropped) {
        FinishUnscheduling(std::move(unscheduled));
    }
}

void FinalizeRunLoop(RuntimeBase* object)
{
    auto* loop = static_cast<OpaqueCFRunLoop*>(object);
    DropAllTimers(loop);
    loop->~OpaqueCFRunLoop();
}

bool IsMainThread()
{
    // On Linux the main thread's id is the process id.
    return gettid() == getpid();
}

// The main thread's loop lives as long as the process: it is a constant, outside the live count,
// so the first test that touches it does not look like a leak.
OpaqueCFRunLoop* MainRunLoop()
{
    static OpaqueCFRunLoop* loop = CreateImmortal<OpaqueCFRunLoop>(kRunLoopClass);
    return loop;
}

// Another thread's loop is an ordinary object, released when its thread exits (others may keep it
// alive with CFRetain; by then it is ended and schedules nothing).
struct ThreadRunLoop {
    OpaqueCFRunLoop* loop = nullptr;
    CFOwner<CFRunLoopRef> owned;  // another thread's loop; empty for the main thread's
    ~ThreadRunLoop()
    {
        if (owned) {
            DropAllTimers(loop);
        }
    }
};

thread_local ThreadRunLoop tRunLoop;

OpaqueCFRunLoop* CurrentRunLoop()
{
    if (tRunLoop.loop == nullptr) {
        if (IsMainThread()) {
            tRunLoop.loop = MainRunLoop();
        } else {
            tRunLoop.loop = CreateInstance<OpaqueCFRunLoop>(nullptr, kRunLoopClass);
            if (tRunLoop.loop == nullptr) {
                FatalError("no memory for the thread's run loop");
            }
            tRunLoop.owned = AdoptCF(reinterpret_cast<CFRunLoopRef>(tRunLoop.loop));
        }
    }
    return tRunLoop.loop;
}

// The timer of the loop that fires next in the mode: earliest fire date, then lowest order, then
// the one made first. A timer inside its own callout is left to the run that called it out.
OpaqueCFRunLoopTimer* NextTimerLocked(OpaqueCFRunLoop* loop, const std::u16string& mode)
{
    OpaqueCFRunLoopTimer* best = nullptr;
    for (OpaqueCFRunLoopTimer* timer : loop->timers) {
        if (timer->firing || !TimerRunsInMode(timer, mode)) {
            continue;
        }
        if (best == nullptr || timer->fireDate < best->fireDate ||
            (timer->fireDate == best->fireDate &&
             (timer->order < best->order || (timer->order == best->order && timer->sequence < best->sequence)))) {
            best = timer;
        }
    }
    return best;
}

// The next fire date of a repeating timer that has just fired: the first date of its schedule after
// now, so that a loop that was busy skips the missed firings rather than catching up on them.
CFAbsoluteTime NextFireDate(CFAbsoluteTime fired, CFTimeInterval interval, CFAbsoluteTime now)
{
    CFAbsoluteTime next = fired + interval;
    if (next <= now) {
        next = fired + (std::floor((now - fired) / interval) + 1.0) * interval;
        if (next <= now) {
            next = now + interval;
        }
    }
    return next;
}

// Calls the timer out with the lock given back, then invalidates a one-shot timer or reschedules a
// repeating one. The run holds its own reference across the callout, so the callback may invalidate
// and release the timer.
void FireTimer(std::unique_lock<std::mutex>& lock, OpaqueCFRunLoopTimer* timer)
{
    auto timerRef = reinterpret_cast<CFRunLoopTimerRef>(timer);
    CFOwner<CFRunLoopTimerRef> kept = RetainCF(timerRef);
    timer->firing = true;
    const CFAbsoluteTime fired = timer->fireDate;
    void* info = timer->context.info;
    lock.unlock();
    if (timer->callout != nullptr) {
        const SteadyClock::time_point start = SteadyClock::now();
        timer->callout(timerRef, info);
        tTimeInCallouts += SteadyClock::now() - start;
    }
    lock.lock();
    timer->firing = false;
    Unscheduled unscheduled;
    if (timer->valid) {
        if (timer->interval > 0.0) {
            timer->fireDate = NextFireDate(fired, timer->interval, CFAbsoluteTimeGetCurrent());
        } else {
            unscheduled = InvalidateLocked(timer);
        }
    }
    lock.unlock();
    FinishUnscheduling(std::move(unscheduled));
    kept.Reset();
    lock.lock();
}

SteadyClock::time_point DeadlineAfter(CFTimeInterval seconds)
{
    // Longer than any run could last: treat as no limit without overflowing the clock.
    constexpr double kLongest = 1e9;
    const double bounded = std::isnan(seconds) || seconds < 0.0 ? 0.0 : std::min(seconds, kLongest);
    return SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(bounded));
}

SInt32 Run(OpaqueCFRunLoop* loop, const std::u16string& mode, CFTimeInterval seconds, bool returnAfterSourceHandled)
{
    // The common modes are a set of modes to add to, never a mode to run in.
    if (mode == StringUnits(kCFRunLoopCommonModes)) {
        return kCFRunLoopRunFinished;
    }
    const SteadyClock::time_point deadline = DeadlineAfter(seconds);
    RunFrame frame;
    std::unique_lock lock(RunLoopMutex());
    if (NextTimerLocked(loop, mode) == nullptr) {
        return kCFRunLoopRunFinished;
    }
    loop->frames.push_back(&frame);
    // The timers found due together are all fired, even when the run's time ends among them (a run
    // of 0 seconds fires whatever is due); timers falling due later wait for the next run.
    bool inPass = false;
    CFAbsoluteTime passStart = 0.0;
    SInt32 result = 0;
    while (result == 0) {
        const std::uint64_t seenWakeCount = loop->wakeCount;
        OpaqueCFRunLoopTimer* next = NextTimerLocked(loop, mode);
        bool fired = false;
        if (next != nullptr && !frame.stopped) {
            const CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
            if (next->fireDate <= now) {
                if (!inPass) {
                    inPass = true;
                    passStart = now;
                }
                FireTimer(lock, next);
                fired = true;
            } else if (SteadyClock::now() < deadline) {
                const auto untilDue = std::chrono::duration_cast<SteadyClock::duration>(
                    std::chrono::duration<double>(std::min(next->fireDate - now, 1e9)));
                const SteadyClock::time_point wakeAt = std::min(deadline, SteadyClock::now() + untilDue);
                loop->wake.wait_until(lock, wakeAt,
                                      [&] { return frame.stopped || loop->wakeCount != seenWakeCount; });
            }
        }
        if (!fired) {
            inPass = false;
        }
        OpaqueCFRunLoopTimer* after = NextTimerLocked(loop, mode);
        if (fired && returnAfterSourceHandled) {
            result = kCFRunLoopRunHandledSource;
        } else if (frame.stopped) {
            result = kCFRunLoopRunStopped;
        } else if (after == nullptr) {
            result = kCFRunLoopRunFinished;
        } else if (SteadyClock::now() >= deadline && !(inPass && after->fireDate <= passStart)) {
            result = kCFRunLoopRunTimedOut;
        }
    }
    loop->frames.pop_back();
    return result;
}

}  // namespace

const RuntimeClass kRunLoopClass{kRunLoopTypeID, "CFRunLoop", &FinalizeRunLoop, nullptr, nullptr, &DescribeRunLoop};

}  // namespace platform

using namespace platform;

extern "C" {

const CFStringRef kCFRunLoopDefaultMode = CFSTR("kCFRunLoopDefaultMode");
const CFStringRef kCFRunLoopCommonModes = CFSTR("kCFRunLoopCommonModes");

CFTypeID CFRunLoopGetTypeID(void)
{
    return kRunLoopTypeID;
}

CFRunLoopRef CFRunLoopGetCurrent(void)
{
    return reinterpret_cast<CFRunLoopRef>(CurrentRunLoop());
}

SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled)
{
    if (mode == nullptr) {
        FatalError("CFRunLoopRunInMode: no mode");
    }
    return Run(CurrentRunLoop(), StringUnits(mode), seconds, returnAfterSourceHandled);
}

void CFRunLoopStop(CFRunLoopRef rl)
{
    if (!IsType(rl, kRunLoopTypeID)) {
        FatalError("CFRunLoopStop: not a run loop");
    }
    auto* loop = reinterpret_cast<OpaqueCFRunLoop*>(rl);
    std::lock_guard lock(RunLoopMutex());
    // Only a run in progress can be stopped, the innermost one; a stop with none running is lost.
    if (!loop->frames.empty()) {
        loop->frames.back()->stopped = true;
        loop->wake.notify_all();
    }
}

}  // extern "C"

CFTimeInterval PlatformRunLoopTimeInCallouts(void)
{
    return std::chrono::duration<double>(platform::tTimeInCallouts).count();
}
