// Windows: showing, disposing, their titles, and the application-modal loop that waits for the
// user. The user is the UI driver that the host installed (PlatformUIDriver.h). Windows are made
// from interface files (IBCarbonRuntime.h). Main thread only.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// A window is a platform object: CFRetain and CFRelease work on it, and DisposeWindow gives up
// the reference its creator got.
typedef struct OpaqueWindowPtr* WindowRef;

enum {
    errInvalidWindowRef = -5600,
    errWindowNotFound = -5601
};

// Shows or hides the window; nothing happens for a NULL or disposed window.
void ShowWindow(WindowRef window);
Boolean IsWindowVisible(WindowRef window);

// Destroys the window: its views, its keyboard focus and every event handler installed on it go
// with it, a modal loop running for it ends, and the creator's reference is released. A view that
// someone else still retains survives as a view without a window.
void DisposeWindow(WindowRef window);

// The title (+1); NULL in *outString for an invalid window.
OSStatus CopyWindowTitleAsCFString(WindowRef window, CFStringRef* outString);

// Runs a modal loop for the window until QuitAppModalLoopForWindow is called for it (from an
// event handler that a user action triggered) or the window is disposed. Run-loop timers of the
// common modes keep firing while it waits. The installed UI driver plays the user; with none, the
// loop sends the window's Cancel command (a push button whose command is kHICommandCancel) or,
// without one, the close-box event, so that the loop always ends. When even that is not answered
// by a quit, the loop ends on its own and answers userCanceledErr. A window already in a modal loop
// answers paramErr.
OSStatus RunAppModalLoopForWindow(WindowRef window);
// Ends the modal loop running for the window after the current event has been handled. noErr
// also when no loop runs for it (then nothing happens).
OSStatus QuitAppModalLoopForWindow(WindowRef window);

#ifdef __cplusplus
}
#endif
