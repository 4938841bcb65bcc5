// The modal dialog from an interface file. Inside the class, the platform's functions that share
// a name with a member (InstallEventHandler, GetControlByID, DisposeDialog) are called with the
// global scope written out.
#include "support/NibModalDialog.h"

const HICommand kNullHICommand = {};

namespace {

// The record of one event class and kind, as InstallEventHandler takes a list of them.
template <class Element>
Element ElementOf(OSStatus (*)(EventTargetRef, EventHandlerUPP, ItemCount, const Element*, void*, EventHandlerRef*));
using EventKindRecord = decltype(ElementOf(&::InstallEventHandler));

// What the dialog listens for on its window: commands from buttons and menus, and the close box.
const EventKindRecord kDialogEvents[] = {
    {kEventClassCommand, kEventCommandProcess},
    {kEventClassWindow, kEventWindowClose},
};

}  // namespace

NibModalDialog::NibModalDialog()
    : window(nullptr), eventHandlerUPP(nullptr), command(kNullHICommand), inModalLoop(false)
{
}

NibModalDialog::NibModalDialog(CFBundleRef bundle, CFStringRef nibName, CFStringRef windowName) : NibModalDialog()
{
    ConstructorInit(bundle, nibName, windowName);
}

NibModalDialog::~NibModalDialog()
{
    DisposeDialog();
    if (eventHandlerUPP != nullptr) {
        DisposeEventHandlerUPP(eventHandlerUPP);
        eventHandlerUPP = nullptr;
    }
}

void NibModalDialog::ConstructorInit(CFBundleRef bundle, CFStringRef nibName, CFStringRef windowName)
{
    if (nibName == nullptr || windowName == nullptr) {
        return;
    }
    IBNibRef nib = nullptr;
    OSStatus status = bundle != nullptr ? CreateNibReferenceWithCFBundle(bundle, nibName, &nib)
                                        : CreateNibReference(nibName, &nib);
    if (status != noErr || nib == nullptr) {
        return;
    }
    // A window that cannot be made leaves `window` NULL, which is all the owner needs to know.
    WindowRef made = nullptr;
    if (CreateWindowFromNib(nib, windowName, &made) == noErr) {
        window = made;
    }
    DisposeNibReference(nib);
}

void NibModalDialog::DisposeDialog()
{
    if (window != nullptr) {
        if (inModalLoop) {
            QuitModalLoop();
        }
        DisposeWindow(window);
        window = nullptr;
        mInstalledHandler = nullptr;
    }
    inModalLoop = false;
    command = kNullHICommand;
}

void NibModalDialog::Run()
{
    if (window == nullptr) {
        return;
    }
    if (!Initialize()) {
        return;
    }
    InstallEventHandler();
    ShowWindow(window);
    inModalLoop = true;
    RunAppModalLoopForWindow(window);
    // The loop may also have ended without the handler's help (the window went away).
    inModalLoop = false;
}

Boolean NibModalDialog::Initialize()
{
    return true;
}

void NibModalDialog::InstallEventHandler()
{
    if (window == nullptr || mInstalledHandler != nullptr) {
        return;
    }
    if (eventHandlerUPP == nullptr) {
        eventHandlerUPP = NewEventHandlerUPP(&NibModalDialog::DialogEventHandlerProc);
    }
    // The handler goes with the window, so nothing needs to remove it.
    ::InstallEventHandler(GetWindowEventTarget(window), eventHandlerUPP, sizeof kDialogEvents / sizeof kDialogEvents[0],
                          kDialogEvents, this, &mInstalledHandler);
}

OSStatus NibModalDialog::DialogEventHandlerProc(EventHandlerCallRef callRef, EventRef event, void* userData)
{
    if (userData == nullptr) {
        return paramErr;
    }
    return static_cast<NibModalDialog*>(userData)->HandleEvent(callRef, event);
}

OSStatus NibModalDialog::HandleEvent(EventHandlerCallRef callRef, EventRef event)
{
    if (window == nullptr) {
        return paramErr;
    }
    const UInt32 eventClass = GetEventClass(event);
    const UInt32 eventKind = GetEventKind(event);
    if (eventClass == kEventClassCommand && eventKind == kEventCommandProcess) {
        // A command event whose record cannot be read is left to the toolbox: acting on it would
        // act again on whatever command came before.
        HICommand received = kNullHICommand;
        if (GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof received, nullptr,
                              &received) != noErr) {
            return eventNotHandledErr;
        }
        command = received;
        if (command.commandID == 0) {
            return eventNotHandledErr;
        }
        OSStatus status = ProcessCommand();
        if (CommandShouldQuitDialog()) {
            QuitModalLoop();
            return noErr;
        }
        return status;
    }
    if (eventClass == kEventClassWindow && eventKind == kEventWindowClose) {
        // The window itself stays until DisposeDialog; `command` keeps what it held, so a dialog
        // closed before any command ends with the null command.
        QuitModalLoop();
        return noErr;
    }
    return eventNotHandledErr;
}

OSStatus NibModalDialog::ProcessCommand()
{
    return eventNotHandledErr;
}

Boolean NibModalDialog::CommandShouldQuitDialog()
{
    switch (command.commandID) {
    case kHICommandOK:
    case kHICommandClose:
    case kHICommandCancel:
    case kHICommandQuit:
        return true;
    default:
        return false;
    }
}

ControlRef NibModalDialog::GetControlByID(const ControlID& controlID) const
{
    if (window == nullptr) {
        return nullptr;
    }
    ControlRef control = nullptr;
    if (::GetControlByID(window, &controlID, &control) != noErr) {
        return nullptr;
    }
    return control;
}

void NibModalDialog::QuitModalLoop()
{
    QuitAppModalLoopForWindow(window);
    inModalLoop = false;
}
