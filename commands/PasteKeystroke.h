// The paste of a clip: once its content is on the clipboard, a synthetic Command-V makes the front
// application perform its own Paste. The keystroke is posted from a one-shot timer 50 ms later, so
// it arrives after the host has finished with the contextual menu.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

// Schedules the keystroke on the current thread's run loop (common modes, so it also fires inside
// a nested modal or tracking loop). Without a timer, waits the same 50 ms and posts it at once.
void StartPasteKeystroke();

// The timer's callback: posts the keystroke, then invalidates the timer and gives back the
// reference its creation produced. A null timer only posts the keystroke.
void KeyPressSimulationCallBack(CFRunLoopTimerRef timer, void* info);

// Command down, V down, V up, Command up, with event-state combining off around them so that only
// the Command state the sequence sets applies.
void PostPasteKeystroke();
