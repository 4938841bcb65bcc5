// Run-loop timers: creation, scheduling in a loop's modes, invalidation and inspection.
#include "runloop/RunLoopObjects.h"

#include "cf/StringObject.h"

#include <PlatformHost.h>

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdio>

namespace platform {
namespace {

std::atomic<std::uint64_t> gTimerSequence{0};
thread_local int tFailTimerCreations = 0;

OpaqueCFRunLoopTimer* AsTimer(CFRunLoopTimerRef timer, const char* caller)
{
    if (!IsType(timer, kRunLoopTimerTypeID)) {
        std::string message = std::string(caller) + ": not a run-loop timer";
        FatalError(message.c_str());
    }
    return reinterpret_cast<OpaqueCFRunLoopTimer*>(timer);
}

OpaqueCFRunLoop* AsRunLoop(CFRunLoopRef loop, const char* caller)
{
    if (!IsType(loop, kRunLoopTypeID)) {
        std::string message = std::string(caller) + ": not a run loop";
        FatalError(message.c_str());
    }
    return reinterpret_cast<OpaqueCFRunLoop*>(loop);
}

const std::u16string& ModeName(CFStringRef mode, const char* caller)
{
    if (mode == nullptr) {
        std::string message = std::string(caller) + ": no mode";
        FatalError(message.c_str());
    }
    return StringUnits(mode);
}

void FinalizeTimer(RuntimeBase* object)
{
    auto* timer = static_cast<OpaqueCFRunLoopTimer*>(object);
    // A timer that was never invalidated still holds its info.
    if (timer->context.release != nullptr) {
        timer->context.release(timer->context.info);
    }
    timer->~OpaqueCFRunLoopTimer();
}

std::string DescribeTimer(const RuntimeBase* object)
{
    const auto* timer = static_cast<const OpaqueCFRunLoopTimer*>(object);
    bool valid;
    CFAbsoluteTime fireDate;
    CFRunLoopTimerContext context;
    {
        std::lock_guard lock(RunLoopMutex());
        valid = timer->valid;
        fireDate = timer->fireDate;
        context = timer->context;
    }
    std::string info;
    if (context.copyDescription != nullptr) {
        CFOwner<CFStringRef> text = AdoptCF(context.copyDescription(context.info));
        info = StringToUTF8(text.Get());
    } else {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%p", context.info);
        info = buffer;
    }
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "<CFRunLoopTimer %p [%s]>{interval = %g, next fire date = %.3f, order = %ld, info = ",
                  static_cast<const void*>(object), valid ? "valid" : "invalid", timer->interval, fireDate,
                  static_cast<long>(timer->order));
    return buffer + info + "}";
}

}  // namespace

const RuntimeClass kRunLoopTimerClass{kRunLoopTimerTypeID, "CFRunLoopTimer", &FinalizeTimer, nullptr, nullptr,
                                      &DescribeTimer};

std::mutex& RunLoopMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool TimerRunsInMode(const OpaqueCFRunLoopTimer* timer, const std::u16string& mode)
{
    const std::u16string& common = StringUnits(kCFRunLoopCommonModes);
    return std::any_of(timer->modes.begin(), timer->modes.end(),
                       [&](const std::u16string& added) { return added == mode || added == common; });
}

Unscheduled InvalidateLocked(OpaqueCFRunLoopTimer* timer)
{
    Unscheduled result;
    if (!timer->valid) {
        return result;
    }
    timer->valid = false;
    if (OpaqueCFRunLoop* loop = timer->runLoop) {
        auto& timers = loop->timers;
        timers.erase(std::remove(timers.begin(), timers.end(), timer), timers.end());
        result.timerReference = AdoptCF(reinterpret_cast<CFRunLoopTimerRef>(timer));
        loop->wakeCount++;
        loop->wake.notify_all();
    }
    timer->runLoop = nullptr;
    timer->modes.clear();
    // The info goes back now, as nothing will ever be called with it again.
    result.releaseInfo = timer->context.release;
    result.info = timer->context.info;
    timer->context.release = nullptr;
    timer->context.info = nullptr;
    return result;
}

void FinishUnscheduling(Unscheduled unscheduled)
{
    if (unscheduled.releaseInfo != nullptr) {
        unscheduled.releaseInfo(unscheduled.info);
    }
    unscheduled.timerReference.Reset();
}

}  // namespace platform

using namespace platform;

extern "C" {

void PlatformFailNextTimerCreationsForTesting(int count)
{
    tFailTimerCreations = count > 0 ? count : 0;
}

CFTypeID CFRunLoopTimerGetTypeID(void)
{
    return kRunLoopTimerTypeID;
}

CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef allocator, CFAbsoluteTime fireDate, CFTimeInterval interval,
                                       CFOptionFlags flags, CFIndex order, CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context)
{
    if (tFailTimerCreations > 0) {
        tFailTimerCreations--;
        return nullptr;
    }
    CFRunLoopTimerContext kept{};
    if (context != nullptr) {
        kept = *context;
    }
    auto* timer = CreateInstance<OpaqueCFRunLoopTimer>(allocator, kRunLoopTimerClass, fireDate, interval, order,
                                                       callout, kept, gTimerSequence.fetch_add(1) + 1);
    if (timer == nullptr) {
        return nullptr;
    }
    // Retained only once the timer exists, so a failed creation keeps nothing.
    if (kept.retain != nullptr) {
        timer->context.info = const_cast<void*>(kept.retain(kept.info));
    }
    return reinterpret_cast<CFRunLoopTimerRef>(timer);
}

void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timerRef, CFStringRef mode)
{
    OpaqueCFRunLoop* loop = AsRunLoop(rl, "CFRunLoopAddTimer");
    OpaqueCFRunLoopTimer* timer = AsTimer(timerRef, "CFRunLoopAddTimer");
    const std::u16string& name = ModeName(mode, "CFRunLoopAddTimer");
    std::lock_guard lock(RunLoopMutex());
    // A timer belongs to one loop only, and an invalidated one can never be scheduled again.
    if (!timer->valid || loop->threadEnded || (timer->runLoop != nullptr && timer->runLoop != loop)) {
        return;
    }
    if (std::find(timer->modes.begin(), timer->modes.end(), name) != timer->modes.end()) {
        return;
    }
    if (timer->runLoop == nullptr) {
        CFRetain(timerRef);
        timer->runLoop = loop;
        loop->timers.push_back(timer);
    }
    timer->modes.push_back(name);
    loop->wakeCount++;
    loop->wake.notify_all();
}

Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timerRef, CFStringRef mode)
{
    OpaqueCFRunLoop* loop = AsRunLoop(rl, "CFRunLoopContainsTimer");
    OpaqueCFRunLoopTimer* timer = AsTimer(timerRef, "CFRunLoopContainsTimer");
    const std::u16string& name = ModeName(mode, "CFRunLoopContainsTimer");
    std::lock_guard lock(RunLoopMutex());
    return timer->runLoop == loop && TimerRunsInMode(timer, name);
}

void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timerRef)
{
    OpaqueCFRunLoopTimer* timer = AsTimer(timerRef, "CFRunLoopTimerInvalidate");
    // The caller's reference may be the last one left once the loop lets go: keep the timer alive
    // until the invalidation is finished.
    CFOwner<CFRunLoopTimerRef> kept = RetainCF(timerRef);
    Unscheduled unscheduled;
    {
        std::lock_guard lock(RunLoopMutex());
        unscheduled = InvalidateLocked(timer);
    }
    FinishUnscheduling(std::move(unscheduled));
}

Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timerRef)
{
    OpaqueCFRunLoopTimer* timer = AsTimer(timerRef, "CFRunLoopTimerIsValid");
    std::lock_guard lock(RunLoopMutex());
    return timer->valid;
}

}  // extern "C"
