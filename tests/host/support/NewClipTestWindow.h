// The new-clip dialog as the plug-in sets it up, for the tests of the host's UI drivers: the name
// field holding "Dear John," all selected and focused, a combo box of submenus, the Secure box
// hiding "Plain text only" while it is checked, and a handler that ends the modal loop on OK,
// Cancel and the close box. And the caution alert a plug-in shows before replacing a clip.
#pragma once

#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

namespace hosttest {

// The record of one event class and kind, as InstallEventHandler takes a list of them.
template <class Element>
Element ElementOf(OSStatus (*)(EventTargetRef, EventHandlerUPP, ItemCount, const Element*, void*, EventHandlerRef*));
using EventKindRecord = decltype(ElementOf(&::InstallEventHandler));

class NewClipTestWindow {
public:
    explicit NewClipTestWindow(bool withCancel = true)
        : mBundle(hitoolboxtest::InterfaceFile(hitoolboxtest::NewClipWindow(withCancel)))
    {
        using namespace hitoolboxtest;
        OSStatus status = 0;
        mWindow = WindowFromNib(mBundle, "New Clip", &status);
        EXPECT_EQ(status, noErr);
        if (mWindow == nullptr)
            return;
        SetTextOf(Control(mWindow, 3), "Dear John,");
        ControlEditTextSelectionRec all{0, 32767};
        SetControlData(Control(mWindow, 3), 0, kControlEditTextSelectionTag, sizeof all, &all);
        SetKeyboardFocus(mWindow, Control(mWindow, 3), kControlFocusNextPart);

        auto root = AdoptCF<CFStringRef>(MakeString("/Stashwell"));
        auto work = AdoptCF<CFStringRef>(MakeString("/Stashwell/Work"));
        const void* items[] = {root.Get(), work.Get()};
        auto list = AdoptCF<CFArrayRef>(CFArrayCreate(nullptr, items, 2, &kCFTypeArrayCallBacks));
        HIRect frame{{0, 0}, {226, 24}};
        HIViewRef combo = nullptr;
        EXPECT_EQ(HIComboBoxCreate(&frame, nullptr, nullptr, list.Get(), 0, &combo), noErr);
        HIViewSetVisible(combo, true);
        HIViewRef content = nullptr;
        HIViewFindByID(HIViewGetRoot(mWindow), kHIViewWindowContentID, &content);
        EXPECT_EQ(HIViewAddSubview(content, combo), noErr);
        HIViewPlaceInSuperviewAt(combo, 95, 50);
        SetTextOf(combo, "/Stashwell");
        mCombo = combo;

        const EventKindRecord events[] = {{kEventClassCommand, kEventCommandProcess},
                                          {kEventClassWindow, kEventWindowClose}};
        InstallEventHandler(GetWindowEventTarget(mWindow), Handle, 2, events, this, nullptr);
    }
    ~NewClipTestWindow()
    {
        PlatformInstallUIDriver(nullptr);
        if (mWindow != nullptr)
            DisposeWindow(mWindow);
    }
    NewClipTestWindow(const NewClipTestWindow&) = delete;
    NewClipTestWindow& operator=(const NewClipTestWindow&) = delete;

    WindowRef Window() const { return mWindow; }
    ControlRef NameField() const { return hitoolboxtest::Control(mWindow, 3); }
    ControlRef SecureBox() const { return hitoolboxtest::Control(mWindow, 5); }
    ControlRef PlainTextBox() const { return hitoolboxtest::Control(mWindow, 6); }
    ControlRef Combo() const { return mCombo; }
    std::string Name() const { return hitoolboxtest::TextOf(NameField()); }
    std::string Submenu() const { return hitoolboxtest::TextOf(mCombo); }
    // What ended the last modal loop: 'ok  ', 'not!', 'clos', or 0.
    MenuCommand Ending() const { return mEnding; }
    int OKCount() const { return mOKCount; }

    // Runs the modal loop with driver installed; answers its status.
    OSStatus Run(const PlatformUIDriver& driver)
    {
        mEnding = 0;
        PlatformInstallUIDriver(&driver);
        OSStatus status = RunAppModalLoopForWindow(mWindow);
        PlatformInstallUIDriver(nullptr);
        return status;
    }

    // OK leaves the dialog open (as an invalid name does) this many times first.
    void RefuseOK(int times) { mRefuseOK = times; }

private:
    static OSStatus Handle(EventHandlerCallRef, EventRef event, void* userData)
    {
        auto* self = static_cast<NewClipTestWindow*>(userData);
        if (GetEventClass(event) == kEventClassWindow) {
            self->mEnding = 'clos';
            QuitAppModalLoopForWindow(self->mWindow);
            return noErr;
        }
        HICommand command{};
        GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof command, nullptr, &command);
        if (command.commandID == 'secu') {
            if (GetControlValue(self->SecureBox()) != 0)
                HideControl(self->PlainTextBox());
            else
                ShowControl(self->PlainTextBox());
            return noErr;
        }
        if (command.commandID != kHICommandOK && command.commandID != kHICommandCancel)
            return eventNotHandledErr;
        if (command.commandID == kHICommandOK && ++self->mOKCount <= self->mRefuseOK)
            return noErr;
        self->mEnding = command.commandID;
        QuitAppModalLoopForWindow(self->mWindow);
        return noErr;
    }

    hitoolboxtest::NibBundle mBundle;
    WindowRef mWindow = nullptr;
    HIViewRef mCombo = nullptr;
    MenuCommand mEnding = 0;
    int mRefuseOK = 0;
    int mOKCount = 0;
};

// Runs the caution alert, with or without a Cancel button, under whatever driver is installed.
inline OSStatus RunReplaceAlert(DialogItemIndex* itemHit, bool withCancel = true)
{
    AlertStdCFStringAlertParamRec params;
    GetStandardAlertDefaultParams(&params, kStdCFStringAlertVersionOne);
    if (withCancel) {
        params.cancelText = kAlertDefaultCancelText;
        params.cancelButton = kAlertStdAlertCancelButton;
    }
    DialogRef alert = nullptr;
    EXPECT_EQ(CreateStandardAlert(kAlertCautionAlert, CFSTR("Replace the clip?"), CFSTR("A clip of that name exists."),
                                  &params, &alert),
              noErr);
    return RunStandardAlert(alert, nullptr, itemHit);
}

}  // namespace hosttest
