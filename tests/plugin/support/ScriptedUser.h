// A user for the plug-in's dialogs and alerts in tests: a UI driver that records each modal window
// as first shown (its controls, texts and lists, and which process was in front) and then plays
// the test's actions; alerts are recorded and answered with a chosen button.
#pragma once

#include "plugin/support/TextTesting.h"

#include "content/ClipsFolderLock.h"

#include <Carbon/Carbon.h>
#include <PlatformUIDriver.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace dialogtest {

using texttest::CreateString;
using texttest::TakeText;
using texttest::TextOf;

struct ShownControl {
    PlatformUIControlInfo info{};
    std::string title;
    std::string text;                // "<null>" for kinds without text
    std::vector<std::string> items;  // a combo box's list
};

struct ShownWindow {
    std::string name;
    bool visible = false;
    bool hostInFront = false;
    std::vector<ShownControl> controls;

    // The control with the id, or nullptr.
    const ShownControl* Find(OSType signature, SInt32 id) const
    {
        for (const ShownControl& control : controls) {
            if (control.info.id.signature == signature && control.info.id.id == id) {
                return &control;
            }
        }
        return nullptr;
    }
    const ShownControl* FindKind(PlatformControlKind kind) const
    {
        for (const ShownControl& control : controls) {
            if (control.info.kind == kind) {
                return &control;
            }
        }
        return nullptr;
    }
};

struct ShownAlert {
    AlertType alertType = 0;
    std::string message;
    std::string defaultText;
    std::string cancelText;  // "<null>" when the alert has no cancel button
    bool hostInFront = false;
    bool clipListLocked = false;  // shown while this process held the clips folder's lock
};

inline bool IsHostInFront()
{
    ProcessSerialNumber front = {0, 0};
    ProcessSerialNumber current = {0, kCurrentProcess};
    Boolean same = false;
    GetFrontProcess(&front);
    SameProcess(&front, &current, &same);
    return same;
}

inline ShownWindow Snapshot(WindowRef window)
{
    ShownWindow shown;
    shown.name = TakeText(PlatformUICopyWindowName(window));
    shown.visible = IsWindowVisible(window);
    shown.hostInFront = IsHostInFront();
    for (CFIndex i = 0; i < PlatformUIGetControlCount(window); ++i) {
        ControlRef control = PlatformUIGetControlAtIndex(window, i);
        ShownControl each;
        PlatformUIGetControlInfo(control, &each.info);
        each.title = TakeText(PlatformUICopyControlTitle(control));
        each.text = TakeText(PlatformUICopyControlText(control));
        if (CFArrayRef items = PlatformUICopyComboBoxItems(control); items != nullptr) {
            for (CFIndex j = 0; j < CFArrayGetCount(items); ++j) {
                each.items.push_back(TextOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(items, j))));
            }
            CFRelease(items);
        }
        shown.controls.push_back(each);
    }
    return shown;
}

// The first control of the kind whose command is the one given (0: any), or NULL.
inline ControlRef FindControl(WindowRef window, PlatformControlKind kind, MenuCommand command = 0)
{
    for (CFIndex i = 0; i < PlatformUIGetControlCount(window); ++i) {
        ControlRef control = PlatformUIGetControlAtIndex(window, i);
        PlatformUIControlInfo info;
        if (PlatformUIGetControlInfo(control, &info) && info.kind == kind && (command == 0 || info.command == command)) {
            return control;
        }
    }
    return nullptr;
}

inline ControlRef FindControlByID(WindowRef window, SInt32 id, OSType signature = 'Swdg')
{
    ControlID controlID{signature, id};
    ControlRef control = nullptr;
    GetControlByID(window, &controlID, &control);
    return control;
}

inline OSStatus ClickButton(WindowRef window, MenuCommand command)
{
    ControlRef button = FindControl(window, kPlatformControlPushButton, command);
    return button != nullptr ? PlatformUIClickControl(button) : OSStatus{errUnknownControl};
}

inline OSStatus TypeInto(ControlRef control, const std::string& text)
{
    CFStringRef string = CreateString(text);
    OSStatus status = PlatformUITypeText(control, string);
    CFRelease(string);
    return status;
}

// A user's action that presses OK as soon as the window is up.
inline bool PressOK(WindowRef window, UInt32)
{
    EXPECT_EQ(ClickButton(window, kHICommandOK), noErr);
    return false;
}

// Sends a command event carrying commandID to the window, as a button or menu item would.
inline OSStatus SendCommand(WindowRef window, MenuCommand commandID)
{
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    HICommand command = {};
    command.commandID = commandID;
    SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command, &command);
    status = SendEventToEventTarget(event, GetWindowEventTarget(window));
    ReleaseEvent(event);
    return status;
}

// Installed for its own life. act is called for each step of a modal loop, after the window was
// recorded on step 0; it answers true to be asked again after the run loop has run. Without act,
// nothing is done and the loop ends as for an absent user (Cancel, else the close box).
class ScriptedUser {
public:
    ScriptedUser()
    {
        PlatformUIDriver driver{};
        driver.context = this;
        driver.stepModalWindow = &StepWindow;
        driver.stepAlert = &StepAlert;
        PlatformInstallUIDriver(&driver);
    }
    ~ScriptedUser() { PlatformInstallUIDriver(nullptr); }
    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    std::function<bool(WindowRef window, UInt32 step)> act;
    DialogItemIndex alertAnswer = kAlertStdAlertOKButton;

    std::vector<ShownWindow> windows;
    std::vector<ShownAlert> alerts;
    UInt32 steps = 0;

private:
    static PlatformUIDriverAnswer StepWindow(void* context, WindowRef window, UInt32 step)
    {
        auto* user = static_cast<ScriptedUser*>(context);
        ++user->steps;
        if (step == 0) {
            user->windows.push_back(Snapshot(window));
        }
        if (!user->act) {
            return kPlatformUIDriverDone;
        }
        return user->act(window, step) ? kPlatformUIDriverContinue : kPlatformUIDriverDone;
    }

    static PlatformUIDriverAnswer StepAlert(void* context, const PlatformUIAlert* alert, UInt32 step,
                                            DialogItemIndex* itemHit)
    {
        auto* user = static_cast<ScriptedUser*>(context);
        ShownAlert shown;
        shown.alertType = alert->alertType;
        shown.message = TextOf(alert->message);
        shown.defaultText = TextOf(alert->defaultText);
        shown.cancelText = TextOf(alert->cancelText);
        shown.hostInFront = IsHostInFront();
        shown.clipListLocked = StClipListLock::IsHeld();
        user->alerts.push_back(shown);
        *itemHit = user->alertAnswer;
        return kPlatformUIDriverDone;
    }
};

// Puts another application in front for its own life, and this process afterwards.
class OtherApplicationInFront {
public:
    static constexpr ProcessSerialNumber kOther = {7, 4242};
    OtherApplicationInFront() { PlatformSetFrontProcess(&kOther); }
    ~OtherApplicationInFront() { PlatformSetFrontProcess(nullptr); }
    OtherApplicationInFront(const OtherApplicationInFront&) = delete;
    OtherApplicationInFront& operator=(const OtherApplicationInFront&) = delete;

    static bool IsInFront()
    {
        ProcessSerialNumber front = {0, 0};
        Boolean same = false;
        GetFrontProcess(&front);
        SameProcess(&front, &kOther, &same);
        return same;
    }
};

}  // namespace dialogtest
