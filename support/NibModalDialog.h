// A modal window from an interface file of a bundle, for code that runs inside someone else's
// application: the window is shown application-modal and a nested event loop runs until a command
// of the quit list or a click in the close box ends it. The owner then reads `command` to learn
// how it ended. Subclasses may set the window up before it is shown (Initialize) and react to
// commands (ProcessCommand, CommandShouldQuitDialog).
#pragma once

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

// The command record with every field zero: no command received.
extern const HICommand kNullHICommand;

class NibModalDialog {
public:
    NibModalDialog();
    // As the default constructor, then ConstructorInit with the same arguments. The bundle is
    // borrowed for the call only.
    NibModalDialog(CFBundleRef bundle, CFStringRef nibName, CFStringRef windowName);
    // Ends a loop still running, disposes the window and the handler entry.
    virtual ~NibModalDialog();

    NibModalDialog(const NibModalDialog&) = delete;
    NibModalDialog& operator=(const NibModalDialog&) = delete;

    // Loads the named window of "<nibName>.nib" of the bundle (of the main bundle when bundle is
    // NULL). A missing file or window leaves `window` NULL; nothing else is reported.
    void ConstructorInit(CFBundleRef bundle, CFStringRef nibName, CFStringRef windowName);
    // Ends the loop if it runs, disposes the window and forgets the last command.
    void DisposeDialog();

    // Shows the window and returns when the modal loop has ended; at once, without showing
    // anything, when there is no window or Initialize refuses.
    virtual void Run();
    // Called before the window is shown; false stops Run. The base accepts.
    virtual Boolean Initialize();
    // Puts the handler on the window for command events and the close box, once per window.
    virtual void InstallEventHandler();

    // The handler entry: userData is the dialog. paramErr without one.
    static OSStatus DialogEventHandlerProc(EventHandlerCallRef callRef, EventRef event, void* userData);
    // noErr when the event was handled here, eventNotHandledErr to pass it on to the toolbox.
    virtual OSStatus HandleEvent(EventHandlerCallRef callRef, EventRef event);
    // Reacts to the command in `command`; the base leaves it to the toolbox (eventNotHandledErr).
    virtual OSStatus ProcessCommand();
    // Whether the command in `command` ends the dialog: OK, close, cancel and quit do.
    virtual Boolean CommandShouldQuitDialog();

    // The window's control with that id (borrowed), or NULL.
    ControlRef GetControlByID(const ControlID& controlID) const;

    WindowRef window;                 // owned; NULL when none
    EventHandlerUPP eventHandlerUPP;  // owned; made once, for the life of the object
    HICommand command;                // the last command received; kNullHICommand when none
    Boolean inModalLoop;              // the modal loop is running

private:
    void QuitModalLoop();

    // The handler installed on the current window, so that running the dialog again does not put
    // a second one there (each command would then be processed twice). It goes with the window.
    EventHandlerRef mInstalledHandler = nullptr;
};
