// Extensions of the platform stand-in that have no counterpart on the original platform: used by
// the host program and the tests only, never by the plug-in.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

// The number of platform objects alive in the process (constants excluded). Tests compare it
// before and after each case: a leak or an over-release shows as a difference.
long PlatformLiveObjectCount(void);

// The system version that Gestalt(gestaltSystemVersion) answers, one hexadecimal digit per decimal
// digit (0x1068, the default, is 10.6.8). 0 makes Gestalt fail, as on a system that cannot tell.
void PlatformSetSystemVersion(SInt32 version);
SInt32 PlatformGetSystemVersion(void);

// Makes the next count calls of NewPtr / NewPtrClear on the calling thread fail as if memory had
// run out (NULL, MemError() memFullErr). 0 cancels what is left. For tests of the code that must
// survive a failed allocation.
void PlatformFailNextAllocationsForTesting(int count);

// Why the last CFBundleCreate, CFPlugInCreate, CFBundleLoadExecutable or CFPlugInInstanceCreate
// on this thread failed, as one line of text (+1). Each of those calls forgets the previous reason
// when it starts, so the answer is NULL when the last of them succeeded.
CFStringRef PlatformCopyLastBundleError(void);

// The number of instances registered for a factory (CFPlugInAddInstanceForFactory).
CFIndex PlatformPlugInInstanceCount(CFUUIDRef factoryID);

// The Cocoa application that the host plays (see <Cocoa/Cocoa.h>): an application object whose key
// window's first responder is a text view holding the selection given. The mode makes the view
// misbehave for tests. In the writing mode, a NULL selection makes a view that cannot send strings
// (it is no valid requestor); in the other view modes the view is a requestor whatever it holds.
typedef enum {
    kPlatformCocoaViewWritesSelection = 0,  // writes the selection as a plain string
    kPlatformCocoaViewWritesNothing = 1,    // a valid requestor that puts nothing on the pasteboard
    kPlatformCocoaViewRaisesWhileValidating = 2,  // validRequestorForSendType:returnType: raises
    kPlatformCocoaViewRaisesWhileWriting = 3,     // writeSelectionToPasteboard:types: raises
    kPlatformCocoaNoKeyWindow = 4,          // the application has no key window
    kPlatformCocoaNoFirstResponder = 5      // the key window has no first responder
} PlatformCocoaMode;

// Installs the application object as NSApp, replacing one installed before. The view keeps its own
// copy of the selection. The exceptions raised in the raising modes are named
// "PlatformTestException" with the reason "the focused view failed on purpose".
void PlatformInstallCocoaApplication(CFStringRef selectionOrNull, PlatformCocoaMode mode);
// Releases the installed application object and its window and view; NSApp becomes nil again.
void PlatformRemoveCocoaApplication(void);
// Pasteboards registered with the process's pasteboard server (made and not yet released
// globally), and Cocoa objects alive in the process: tests check that both come back to where
// they started.
long PlatformCocoaPasteboardCount(void);
long PlatformCocoaLiveObjectCount(void);

// The front application's keyboard: CGPostKeyboardEvent hands each posted event to the sink, with
// whether state combining was on when it was posted; CGEnableEventStateCombining reports each
// change of that setting as an event of its own kind. NULL removes the sink.
typedef enum {
    kPlatformKeyEvent = 0,
    kPlatformStateCombiningChanged = 1
} PlatformKeyboardEventKind;

typedef struct PlatformKeyboardEvent {
    PlatformKeyboardEventKind kind;
    UInt16 charCode;          // kPlatformKeyEvent
    UInt16 keyCode;           // kPlatformKeyEvent
    Boolean keyDown;          // kPlatformKeyEvent
    Boolean stateCombining;   // the setting in force (after the change, for a change)
} PlatformKeyboardEvent;

typedef void (*PlatformKeyboardSink)(void* context, const PlatformKeyboardEvent* event);
void PlatformSetKeyboardSink(PlatformKeyboardSink sink, void* context);

// Makes the next count calls of CFRunLoopTimerCreate on the calling thread answer NULL. 0 cancels
// what is left. For tests of the code that must cope without a timer.
void PlatformFailNextTimerCreationsForTesting(int count);

// The seconds the calling thread's run loops have spent inside timer callbacks since the thread
// began. A host waiting for timers tells time spent waiting from time spent in work this way.
CFTimeInterval PlatformRunLoopTimeInCallouts(void);

// Makes writes through FSWriteFork in this process stop as on a full disk once byteBudget more
// bytes have been written: the write that would pass the budget writes what fits and answers
// dskFulErr, and so does every write after it. A negative budget cancels the failure.
void PlatformSetFileWriteBudgetForTesting(long long byteBudget);

// Why the last Scrap Manager call on this thread failed (for example a clipboard folder refused
// because another user owns it), as one line of text (+1); NULL when that call succeeded.
CFStringRef PlatformCopyLastClipboardError(void);

// Which clipboard the Scrap Manager uses from now on: the clipboard folder that all of the user's
// processes share (the default), or one in this process's memory only (for tests that must leave
// the user's clipboard alone). References taken before name nothing afterwards.
typedef enum {
    kPlatformClipboardFolder = 0,
    kPlatformClipboardMemory = 1
} PlatformClipboardKind;
OSStatus PlatformUseClipboard(PlatformClipboardKind kind);

// What the platform did on the user's behalf that the user must hear of although the call went on
// (for example a damaged preferences file put aside), as lines of text, oldest first (+1, an array
// of strings, empty when there is nothing to tell). The lines are handed out once.
CFArrayRef PlatformCopyWarnings(void);

// The X11 desktop. PlatformUseDesktop opens the display named (NULL: $DISPLAY) and puts the
// platform on it for the rest of the process: the Scrap Manager uses the desktop's CLIPBOARD,
// CGPostKeyboardEvent types into the focused window (Command as Control) as well as telling the
// keyboard sink, and PlatformCopyDesktopSelectedText reads the PRIMARY selection. Call it before
// any plug-in is loaded. When the display cannot be opened or refuses what the platform needs, it
// answers kPlatformNoDesktopErr and, if reasonOrNull is not NULL, a one-line reason (+1).
enum {
    kPlatformNoDesktopErr = -30200
};
OSStatus PlatformUseDesktop(const char* displayOrNull, CFStringRef* reasonOrNull);

// The desktops the platform can go on. PlatformUseDesktopOfKind puts it on the one asked for, as
// PlatformUseDesktop does: automatic is Wayland when WAYLAND_DISPLAY names a compositor that
// answers, else X11 ($DISPLAY). On Wayland the clipboard is the compositor's (data-control; where
// the compositor offers none, the X11 CLIPBOARD of its XWayland, which it bridges), the selected
// text its primary selection, and the paste keystroke goes through its virtual keyboard, else the
// RemoteDesktop portal; with neither, a paste leaves the clip on the clipboard and a warning tells
// the user to press Control-V. Answers kPlatformNoDesktopErr and the reason as PlatformUseDesktop.
typedef enum {
    kPlatformDesktopNone = 0,
    kPlatformDesktopAutomatic = kPlatformDesktopNone,
    kPlatformDesktopX11 = 1,
    kPlatformDesktopWayland = 2
} PlatformDesktopKind;
OSStatus PlatformUseDesktopOfKind(PlatformDesktopKind kind, CFStringRef* reasonOrNull);
// The desktop the platform is on: kPlatformDesktopNone off the desktop.
PlatformDesktopKind PlatformCurrentDesktop(void);

// The text selected on the desktop (the PRIMARY selection, or the compositor's primary selection
// on Wayland), as a new string (+1). NULL when the
// platform is not on the desktop, nothing is selected, the selection is not text, its owner is a
// window of this process (it could not answer while this call waits) or it does not answer within
// a few seconds.
CFStringRef PlatformCopyDesktopSelectedText(void);

#ifdef __cplusplus
}
#endif
