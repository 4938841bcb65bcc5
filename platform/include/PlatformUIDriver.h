// The user of the process's dialogs and alerts: a UI driver that the host (or a test) installs.
// It has no counterpart on the original platform. Used by the host and the tests only, never by
// the plug-in.
//
// A modal loop (RunAppModalLoopForWindow) hands its window to the driver: first right after the
// loop starts, with the window as the user first sees it, then again after each pass of the run
// loop for as long as the driver answers kPlatformUIDriverContinue. The driver reads the window
// (the read calls below) and acts as a user would (the action calls), each action becoming control
// changes plus the Carbon events a click would send, dispatched to the handlers on the window's
// target. A driver that waits for a person should wait briefly (say 50 ms) in each step and answer
// Continue, so that run-loop timers keep firing. When the driver answers kPlatformUIDriverDone and
// the loop still runs, the loop goes on as if no driver were installed (RunAppModalLoopForWindow).
//
// Main thread only.
#pragma once

#include <Carbon/Carbon.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    kPlatformUIDriverContinue = 0,  // ask again after the run loop has run
    kPlatformUIDriverDone = 1       // the driver has nothing more to do
} PlatformUIDriverAnswer;

// A standard alert waiting for a button, as the user sees it. The strings are borrowed for the
// duration of the call. Buttons that are absent have a NULL text; the numbers are those of
// Dialogs.h (kAlertStdAlertOKButton for the first).
typedef struct PlatformUIAlert {
    AlertType alertType;
    CFStringRef message;
    CFStringRef explanation;      // may be NULL
    CFStringRef defaultText;      // the text of button 1
    CFStringRef cancelText;       // button 2, or NULL
    CFStringRef otherText;        // button 3, or NULL
    DialogItemIndex defaultButton;
    DialogItemIndex cancelButton;  // 0 when the alert has no cancel button
} PlatformUIAlert;

typedef struct PlatformUIDriver {
    void* context;
    // A modal loop runs for window; step counts the calls for this loop from 0.
    PlatformUIDriverAnswer (*stepModalWindow)(void* context, WindowRef window, UInt32 step);
    // An alert waits. To answer, write the number of a button the alert has to *itemHit and answer
    // Done; Done without a valid button answers the alert as cancelled. NULL: alerts are cancelled.
    PlatformUIDriverAnswer (*stepAlert)(void* context, const PlatformUIAlert* alert, UInt32 step,
                                        DialogItemIndex* itemHit);
    // The modal loop of window has ended, however it ended (a handler's quit, the window disposed,
    // nobody answering): a driver that shows the window to a person closes what it shows here,
    // before the window's owner goes on. The window may already be disposed. May be NULL.
    void (*modalWindowEnded)(void* context, WindowRef window);
} PlatformUIDriver;

// Installs the driver (copied), replacing the one installed before; NULL removes it.
void PlatformInstallUIDriver(const PlatformUIDriver* driver);

// --- Reading a window as the user sees it ------------------------------------------------------

typedef enum {
    kPlatformControlRootView = 0,
    kPlatformControlContentView = 1,
    kPlatformControlEditText = 2,
    kPlatformControlCheckBox = 3,
    kPlatformControlPushButton = 4,
    kPlatformControlStaticText = 5,
    kPlatformControlComboBox = 6
} PlatformControlKind;

typedef struct PlatformUIControlInfo {
    PlatformControlKind kind;
    ControlID id;
    MenuCommand command;     // what a click sends; 0 for none
    Boolean isDefault;       // the default button (Return presses it)
    Boolean visible;         // its own visibility
    Boolean shown;           // visible together with all its superviews
    Boolean focused;         // has the window's keyboard focus
    SInt16 value;
    ControlEditTextSelectionRec selection;  // text controls: as last set
    HIRect frame;            // in its superview's coordinates
    HIRect frameInWindow;    // in the root view's coordinates
} PlatformUIControlInfo;

// The name the window has in its interface file (+1); NULL for an invalid window.
CFStringRef PlatformUICopyWindowName(WindowRef window);
// The controls of the window other than the root and content views, depth first in the order
// they were added: the count and each one (borrowed).
CFIndex PlatformUIGetControlCount(WindowRef window);
ControlRef PlatformUIGetControlAtIndex(WindowRef window, CFIndex index);
// False for an invalid control.
Boolean PlatformUIGetControlInfo(ControlRef control, PlatformUIControlInfo* outInfo);
// A button's or check box's label (+1); "" for kinds without one.
CFStringRef PlatformUICopyControlTitle(ControlRef control);
// The text of a text field, static text or combo box (+1); NULL for other kinds.
CFStringRef PlatformUICopyControlText(ControlRef control);
// A combo box's list (+1); NULL for other kinds.
CFArrayRef PlatformUICopyComboBoxItems(ControlRef control);

// --- Acting as the user ------------------------------------------------------------------------

// Replaces the text of a text field or combo box as typing would: the control gets the focus and
// the selection is put after the text. errControlHiddenOrDisabled for a control that is not shown,
// errDataNotSupported for a control without text.
OSStatus PlatformUITypeText(ControlRef control, CFStringRef text);
// Clicks a push button or check box: a check box toggles (a mixed one becomes unchecked); then,
// when the control has a command, a kEventClassCommand / kEventCommandProcess event carrying it is
// sent to the window's target. Answers the dispatch's status (noErr when nothing was sent).
// errControlHiddenOrDisabled for a control that is not shown, errDataNotSupported for other kinds.
OSStatus PlatformUIClickControl(ControlRef control);
// Clicks the window's close box: a kEventClassWindow / kEventWindowClose event to its target.
OSStatus PlatformUIClickCloseBox(WindowRef window);

// --- Process-wide state the host and tests set ------------------------------------------------

// Makes the process front (NULL or {0, kCurrentProcess}: the calling process). Any other number
// names another application, which SetFrontProcess may then bring forward again.
void PlatformSetFrontProcess(const ProcessSerialNumber* psn);

// Why the last CreateNibReference / CreateNibReferenceWithCFBundle on this thread failed, as one
// line (+1); NULL when it succeeded.
CFStringRef PlatformCopyLastInterfaceFileError(void);

#ifdef __cplusplus
}
#endif
