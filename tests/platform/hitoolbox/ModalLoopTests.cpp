// The application-modal loop played by a scripted test driver: ended by a command and by the
// close box, with check-box commands that do not end it, with run-loop timers firing while it
// waits, and ending by itself as cancelled when nobody answers.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace hitoolboxtest;

// A dialog's handler as the plug-in writes it: the ending commands and the close box quit the
// loop; other commands are not handled.
struct TestDialog {
    WindowRef window = nullptr;
    HICommand command{};
    std::vector<MenuCommand> commandsSeen;
    int closes = 0;

    static OSStatus Handle(EventHandlerCallRef, EventRef event, void* userData)
    {
        auto* dialog = static_cast<TestDialog*>(userData);
        if (GetEventClass(event) == kEventClassCommand && GetEventKind(event) == kEventCommandProcess) {
            GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof dialog->command, nullptr,
                              &dialog->command);
            dialog->commandsSeen.push_back(dialog->command.commandID);
            switch (dialog->command.commandID) {
            case kHICommandOK:
            case kHICommandCancel:
            case kHICommandClose:
            case kHICommandQuit:
                QuitAppModalLoopForWindow(dialog->window);
                return noErr;
            default:
                return eventNotHandledErr;
            }
        }
        if (GetEventClass(event) == kEventClassWindow && GetEventKind(event) == kEventWindowClose) {
            ++dialog->closes;
            QuitAppModalLoopForWindow(dialog->window);
            return noErr;
        }
        return eventNotHandledErr;
    }

    void Install()
    {
        const EventTypeSpec events[] = {{kEventClassCommand, kEventCommandProcess}, {kEventClassWindow, kEventWindowClose}};
        ASSERT_EQ(InstallEventHandler(GetWindowEventTarget(window), NewEventHandlerUPP(Handle), 2, events, this, nullptr),
                  noErr);
    }
};

// A driver that performs one scripted action per step and notes what it saw at the first one.
struct ScriptedDriver {
    std::vector<std::function<PlatformUIDriverAnswer(WindowRef)>> actions;
    std::vector<OSStatus> statuses;
    std::string firstTitle;
    std::vector<std::string> firstTexts;
    UInt32 steps = 0;

    static PlatformUIDriverAnswer Step(void* context, WindowRef window, UInt32 step)
    {
        auto* driver = static_cast<ScriptedDriver*>(context);
        driver->steps = step + 1;
        if (step == 0) {
            CFStringRef title = nullptr;
            CopyWindowTitleAsCFString(window, &title);
            driver->firstTitle = TakeText(title);
            for (CFIndex i = 0; i < PlatformUIGetControlCount(window); ++i) {
                CFStringRef text = PlatformUICopyControlText(PlatformUIGetControlAtIndex(window, i));
                driver->firstTexts.push_back(text != nullptr ? TakeText(text) : "-");
            }
        }
        if (step >= driver->actions.size()) {
            return kPlatformUIDriverDone;
        }
        return driver->actions[step](window);
    }

    PlatformUIDriver Interface() { return PlatformUIDriver{this, &Step, nullptr, nullptr}; }

    void Click(SInt32 id, OSType signature = 'Swdg')
    {
        actions.push_back([this, id, signature](WindowRef window) {
            statuses.push_back(PlatformUIClickControl(Control(window, id, signature)));
            return kPlatformUIDriverContinue;
        });
    }
    void ClickIndex(CFIndex index)
    {
        actions.push_back([this, index](WindowRef window) {
            statuses.push_back(PlatformUIClickControl(PlatformUIGetControlAtIndex(window, index)));
            return kPlatformUIDriverContinue;
        });
    }
    void Type(SInt32 id, const char* text)
    {
        actions.push_back([this, id, text](WindowRef window) {
            auto string = AdoptCF<CFStringRef>(MakeString(text));
            statuses.push_back(PlatformUITypeText(Control(window, id), string.Get()));
            return kPlatformUIDriverContinue;
        });
    }
    void CloseBox()
    {
        actions.push_back([this](WindowRef window) {
            statuses.push_back(PlatformUIClickCloseBox(window));
            return kPlatformUIDriverContinue;
        });
    }
};

class ModalLoopTest : public testing::Test {
protected:
    void Load(bool withCancel = true)
    {
        mBundle = std::make_unique<NibBundle>(InterfaceFile(NewClipWindow(withCancel)));
        OSStatus status = 0;
        mDialog.window = WindowFromNib(*mBundle, "New Clip", &status);
        ASSERT_EQ(status, noErr);
        mDialog.Install();
        ShowWindow(mDialog.window);
    }
    void TearDown() override
    {
        PlatformInstallUIDriver(nullptr);
        if (mDialog.window != nullptr) {
            DisposeWindow(mDialog.window);
        }
    }

    std::unique_ptr<NibBundle> mBundle;
    TestDialog mDialog;
    ScriptedDriver mDriver;
};

TEST_F(ModalLoopTest, DriverFillsTheDialogAndEndsItWithTheDefaultButton)
{
    Load();
    ASSERT_EQ(SetTextOf(Control(mDialog.window, 3), "Dear John,"), noErr);
    mDriver.Type(3, "Greeting");
    mDriver.Click(5);
    mDriver.ClickIndex(5);  // OK
    ScopedUIDriver installed(mDriver.Interface());

    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(mDialog.command.commandID, static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(mDialog.commandsSeen, (std::vector<MenuCommand>{'secu', kHICommandOK}));
    EXPECT_EQ(mDriver.statuses, (std::vector<OSStatus>{noErr, eventNotHandledErr, noErr}));
    EXPECT_EQ(mDriver.steps, 3u);
    EXPECT_EQ(TextOf(Control(mDialog.window, 3)), "Greeting");
    EXPECT_EQ(GetControlValue(Control(mDialog.window, 5)), 1);
    EXPECT_EQ(mDriver.firstTitle, "New Clip");
    EXPECT_EQ(mDriver.firstTexts, (std::vector<std::string>{"Name:", "Dear John,", "-", "-", "-", "-"}));
}

TEST_F(ModalLoopTest, CloseBoxEndsTheLoopWithoutACommand)
{
    Load();
    mDriver.CloseBox();
    ScopedUIDriver installed(mDriver.Interface());
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(mDialog.closes, 1);
    EXPECT_EQ(mDialog.command.commandID, 0u);
    // The loop can run again for the same window.
    mDriver.steps = 0;
    mDriver.actions.clear();
    mDriver.ClickIndex(4);  // Cancel
    ScopedUIDriver again(mDriver.Interface());
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(mDialog.command.commandID, static_cast<MenuCommand>(kHICommandCancel));
}

TEST_F(ModalLoopTest, WithoutADriverTheDialogIsCancelled)
{
    Load();
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(mDialog.commandsSeen, (std::vector<MenuCommand>{kHICommandCancel}));
    EXPECT_EQ(mDialog.closes, 0);
}

TEST_F(ModalLoopTest, WithoutACancelButtonTheCloseBoxEndsIt)
{
    Load(false);
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_TRUE(mDialog.commandsSeen.empty());
    EXPECT_EQ(mDialog.closes, 1);
}

TEST_F(ModalLoopTest, DriverThatGivesUpIsFollowedByTheCancelledAnswer)
{
    Load();
    mDriver.Click(6);  // a command that does not end the dialog
    ScopedUIDriver installed(mDriver.Interface());
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(mDialog.commandsSeen, (std::vector<MenuCommand>{'plai', kHICommandCancel}));
}

// Notes every event and ends nothing.
OSStatus IgnoringHandler(EventHandlerCallRef, EventRef event, void* userData)
{
    static_cast<std::vector<UInt32>*>(userData)->push_back(GetEventClass(event));
    return eventNotHandledErr;
}

TEST(ModalLoopWithoutHandlerTest, WindowThatNothingEndsEndsAsCancelledAfterOneCancelAndOneClose)
{
    for (bool withCancel : {true, false}) {
        NibBundle bundle(InterfaceFile(NewClipWindow(withCancel)));
        OSStatus status = 0;
        OwnedWindow window(WindowFromNib(bundle, "New Clip", &status));
        ASSERT_NE(window.get(), nullptr);
        EXPECT_EQ(RunAppModalLoopForWindow(window), userCanceledErr);

        std::vector<UInt32> classes;
        const EventTypeSpec events[] = {{kEventClassCommand, kEventCommandProcess},
                                        {kEventClassWindow, kEventWindowClose}};
        InstallEventHandler(GetWindowEventTarget(window), IgnoringHandler, 2, events, &classes, nullptr);
        EXPECT_EQ(RunAppModalLoopForWindow(window), userCanceledErr);
        std::vector<UInt32> expected{kEventClassCommand, kEventClassWindow};
        if (!withCancel) {
            expected.erase(expected.begin());
        }
        EXPECT_EQ(classes, expected) << "with cancel button: " << withCancel;
    }
    EXPECT_EQ(RunAppModalLoopForWindow(nullptr), errInvalidWindowRef);
}

TEST_F(ModalLoopTest, HiddenControlsCannotBeUsed)
{
    Load();
    HideControl(Control(mDialog.window, 6));
    mDriver.Click(6);
    mDriver.Type(6, "x");
    mDriver.CloseBox();
    ScopedUIDriver installed(mDriver.Interface());
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(mDriver.statuses, (std::vector<OSStatus>{errControlHiddenOrDisabled, errControlHiddenOrDisabled, noErr}));
    EXPECT_EQ(GetControlValue(Control(mDialog.window, 6)), 0);
}

TEST_F(ModalLoopTest, DisposingTheWindowEndsTheLoopAndASecondLoopIsRefused)
{
    Load();
    OSStatus nested = 0;
    mDriver.actions.push_back([&nested](WindowRef window) {
        nested = RunAppModalLoopForWindow(window);
        DisposeWindow(window);
        return kPlatformUIDriverContinue;
    });
    ScopedUIDriver installed(mDriver.Interface());
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(nested, paramErr);
    mDialog.window = nullptr;
}

// Whoever shows the window learns once that its loop has ended, after the last step, however it
// ended.
TEST_F(ModalLoopTest, DriverIsToldOnceWhenTheLoopEnds)
{
    struct Ending {
        const char* name;
        std::function<void(ScriptedDriver&)> script;
    };
    const Ending endings[] = {
        {"OK", [](ScriptedDriver& driver) { driver.ClickIndex(5); }},
        {"close box", [](ScriptedDriver& driver) { driver.CloseBox(); }},
        {"driver gives up", [](ScriptedDriver& driver) { driver.Click(6); }},
        {"window disposed", [](ScriptedDriver& driver) {
             driver.actions.push_back([](WindowRef window) {
                 DisposeWindow(window);
                 return kPlatformUIDriverContinue;
             });
         }},
    };
    for (const Ending& ending : endings) {
        Load();
        mDriver = ScriptedDriver();
        ending.script(mDriver);
        struct Notice {
            ScriptedDriver* driver;
            std::vector<std::pair<WindowRef, UInt32>> ended;  // the window, and the steps taken by then
        } notice{&mDriver, {}};
        PlatformUIDriver interface{&notice,
                                   [](void* context, WindowRef window, UInt32 step) {
                                       return ScriptedDriver::Step(static_cast<Notice*>(context)->driver, window, step);
                                   },
                                   nullptr, [](void* context, WindowRef window) {
                                       auto* notice = static_cast<Notice*>(context);
                                       notice->ended.emplace_back(window, notice->driver->steps);
                                   }};
        ScopedUIDriver installed(interface);
        WindowRef window = mDialog.window;
        EXPECT_EQ(RunAppModalLoopForWindow(window), noErr) << ending.name;
        const UInt32 steps = mDriver.steps;
        EXPECT_EQ(notice.ended, (std::vector<std::pair<WindowRef, UInt32>>{{window, steps}})) << ending.name;
        if (std::string(ending.name) == "window disposed") {
            mDialog.window = nullptr;
        } else {
            DisposeWindow(std::exchange(mDialog.window, nullptr));
        }
    }
}

void CountFiring(CFRunLoopTimerRef, void* info)
{
    ++*static_cast<int*>(info);
}

// A user who waits (at most two seconds) until the timer has fired, then presses OK.
struct WaitingUser {
    int fired = 0;
    CFAbsoluteTime giveUp = CFAbsoluteTimeGetCurrent() + 2;

    static PlatformUIDriverAnswer Step(void* context, WindowRef window, UInt32)
    {
        auto* user = static_cast<WaitingUser*>(context);
        if (user->fired == 0 && CFAbsoluteTimeGetCurrent() < user->giveUp) {
            return kPlatformUIDriverContinue;
        }
        PlatformUIClickControl(PlatformUIGetControlAtIndex(window, 5));
        return kPlatformUIDriverDone;
    }
};

TEST_F(ModalLoopTest, CommonModeTimersFireWhileTheLoopWaits)
{
    Load();
    WaitingUser user;
    CFRunLoopTimerContext context{0, &user.fired, nullptr, nullptr, nullptr};
    CFRunLoopTimerRef timer = CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + 0.02, 0, 0, 0, CountFiring,
                                                   &context);
    ASSERT_NE(timer, nullptr);
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
    ScopedUIDriver installed(PlatformUIDriver{&user, &WaitingUser::Step, nullptr, nullptr});
    EXPECT_EQ(RunAppModalLoopForWindow(mDialog.window), noErr);
    EXPECT_EQ(user.fired, 1);
    EXPECT_EQ(mDialog.command.commandID, static_cast<MenuCommand>(kHICommandOK));
    CFRunLoopTimerInvalidate(timer);
    CFRelease(timer);
}

}  // namespace
