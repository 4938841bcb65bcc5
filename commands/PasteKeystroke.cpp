#include "commands/PasteKeystroke.h"

#include <ApplicationServices/ApplicationServices.h>

#include <unistd.h>

namespace {

const CFTimeInterval kPasteDelay = 0.05;
const useconds_t kPasteDelayMicroseconds = 50000;

const CGKeyCode kCommandKeyCode = 55;
const CGKeyCode kVKeyCode = 9;
const CGCharCode kNoCharacter = 0;
const CGCharCode kVCharacter = 'v';

}  // namespace

void PostPasteKeystroke()
{
    CGEnableEventStateCombining(false);
    CGPostKeyboardEvent(kNoCharacter, kCommandKeyCode, true);
    CGPostKeyboardEvent(kVCharacter, kVKeyCode, true);
    CGPostKeyboardEvent(kVCharacter, kVKeyCode, false);
    CGPostKeyboardEvent(kNoCharacter, kCommandKeyCode, false);
    CGEnableEventStateCombining(true);
}

void KeyPressSimulationCallBack(CFRunLoopTimerRef timer, void* info)
{
    PostPasteKeystroke();
    if (timer != nullptr) {
        CFRunLoopTimerInvalidate(timer);
        CFRelease(timer);
    }
}

void StartPasteKeystroke()
{
    CFAbsoluteTime fireDate = CFAbsoluteTimeGetCurrent() + kPasteDelay;
    CFRunLoopTimerRef timer = CFRunLoopTimerCreate(kCFAllocatorDefault, fireDate, 0, 0, 0,
                                                   KeyPressSimulationCallBack, nullptr);
    if (timer == nullptr) {
        usleep(kPasteDelayMicroseconds);
        PostPasteKeystroke();
        return;
    }
    // The creation reference passes to the callback, which gives it back once the timer has fired.
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
}
