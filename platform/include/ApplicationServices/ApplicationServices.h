// Quartz event posting: synthetic keystrokes for the front application. Each event is handed, in
// order, to the keyboard sink that the front application registered (PlatformHost.h); with no
// sink the events go nowhere and nothing fails. When the platform is on the desktop
// (PlatformUseDesktop), each event is also typed into the focused window of the display.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int boolean_t;
typedef UInt16 CGCharCode;
typedef UInt16 CGKeyCode;
typedef SInt32 CGError;

enum {
    kCGErrorSuccess = 0,
    kCGErrorFailure = 1000,          // the desktop refused the event or has gone away
    kCGErrorIllegalArgument = 1001   // a key the desktop has no counterpart of
};

// Posts one key event: the character it types (0 for a modifier), the layout-independent key code
// and whether the key goes down or up.
CGError CGPostKeyboardEvent(CGCharCode keyChar, CGKeyCode virtualKey, boolean_t keyDown);
// While false, posted events are not merged with the state of the real keyboard and mouse, so
// only the modifiers that the posted events set apply. True when a process starts.
CGError CGEnableEventStateCombining(boolean_t combineState);

#ifdef __cplusplus
}
#endif
