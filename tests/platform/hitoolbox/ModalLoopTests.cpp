// The application-modal loop: ending by itself as cancelled when nobody answers, refusing a second
// loop on its window, and telling the driver once that it ended, however it ended.
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

    static OSStatus Handle(EventHandlerCallRef, EventRef event, void* userData)
    {
        auto* dialog = static_cast<TestDialog*>(userData);
        if (GetEventClass(event) == kEventClassCommand && GetEventKind(event) == kEventCommandProcess) {
            GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof dialog->command, nullptr,
                              &dialog->command);
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

// A driver that performs one scripted action per step.
struct ScriptedDriver {
    std::vector<std::function<PlatformUIDriverAnswer(WindowRef)>> actions;
    UInt32 steps = 0;

    static PlatformUIDriverAnswer Step(void* context, WindowRef window, UInt32 step)
    {
        auto* driver = static_cast<ScriptedDriver*>(context);
        driver->steps = step + 1;
        if (step >= driver->actions.size()) {
            return kPlatformUIDriverDone;
        }
        return driver->actions[step](window);
    }

    PlatformUIDriver Interface() { return PlatformUIDriver{this, &Step, nullptr, nullptr}; }

    void Click(SInt32 id, OSType signature = 'Swdg')
    {
        actions.push_back([this, id, signature](WindowRef window) {
            PlatformUIClickControl(Control(window, id, signature));
            return kPlatformUIDriverContinue;
        });
    }
    void ClickIndex(CFIndex index)
    {
        actions.push_back([this, index](WindowRef window) {
            PlatformUIClickControl(PlatformUIGetControlAtIndex(window, index));
            return kPlatformUIDriverContinue;
        });
    }
    void CloseBox()
    {
        actions.push_back([this](WindowRef window) {
            PlatformUIClickCloseBox(window);
            return kPlatformUIDriverContinue;
        });
    }
};

class ModalLoopTest : public testing::Test {
protected:
    void Load()
    {
        mBundle = std::make_unique<NibBundle>(InterfaceFile(NewClipWindow()));
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

}  // namespace
