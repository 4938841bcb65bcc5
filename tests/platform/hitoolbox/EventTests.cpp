// Carbon event dispatch on a window's target: handlers removed before or during a dispatch, a
// handler that disposes of the window, and the command a click sends.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace hitoolboxtest;

// One handler of a test: a name for the call log and what it does when called.
struct Recorder {
    explicit Recorder(std::string name_, std::vector<std::string>* log_ = nullptr,
                      std::function<OSStatus(EventRef)> action_ = {})
        : name(std::move(name_)), log(log_), action(std::move(action_))
    {
    }
    std::string name;
    std::vector<std::string>* log = nullptr;
    std::function<OSStatus(EventRef)> action;
};

OSStatus RecordingHandler(EventHandlerCallRef, EventRef event, void* userData)
{
    auto* recorder = static_cast<Recorder*>(userData);
    recorder->log->push_back(recorder->name);
    return recorder->action ? recorder->action(event) : OSStatus{eventNotHandledErr};
}

const EventTypeSpec kDialogEvents[] = {{kEventClassCommand, kEventCommandProcess}, {kEventClassWindow, kEventWindowClose}};

class EventTest : public NewClipWindowTest {
protected:
    EventHandlerRef Install(Recorder& recorder, const EventTypeSpec* types = kDialogEvents, ItemCount count = 2)
    {
        recorder.log = &mLog;
        EventHandlerRef handler = nullptr;
        EXPECT_EQ(InstallEventHandler(GetWindowEventTarget(mWindow), NewEventHandlerUPP(RecordingHandler), count,
                                      types, &recorder, &handler),
                  noErr);
        return handler;
    }

    OSStatus SendCommand(MenuCommand id)
    {
        EventRef event = nullptr;
        EXPECT_EQ(CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, kEventAttributeNone, &event), noErr);
        HICommand command{};
        command.commandID = id;
        SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command, &command);
        OSStatus status = SendEventToEventTarget(event, GetWindowEventTarget(mWindow));
        ReleaseEvent(event);
        return status;
    }

    std::vector<std::string> mLog;
};

TEST_F(EventTest, RemovedHandlersAreNotCalledEvenInTheMiddleOfADispatch)
{
    Recorder first{"first", nullptr, [](EventRef) { return OSStatus{noErr}; }};
    Recorder second{"second"};
    Recorder third{"third"};
    EventHandlerRef firstRef = Install(first);
    EventHandlerRef secondRef = Install(second);
    bool removedSecond = false;
    third.action = [&](EventRef) {
        if (!removedSecond) {
            EXPECT_EQ(RemoveEventHandler(secondRef), noErr);
            removedSecond = true;
        }
        return OSStatus{eventNotHandledErr};
    };
    Install(third);

    EXPECT_EQ(SendCommand('secu'), noErr);
    EXPECT_EQ(mLog, (std::vector<std::string>{"third", "first"}));
    EXPECT_EQ(RemoveEventHandler(secondRef), paramErr);
    EXPECT_EQ(RemoveEventHandler(firstRef), noErr);
    mLog.clear();
    EXPECT_EQ(SendCommand('secu'), eventNotHandledErr);
    EXPECT_EQ(mLog, (std::vector<std::string>{"third"}));
}

TEST_F(EventTest, HandlerThatDisposesTheWindowEndsTheDispatch)
{
    OSStatus status = 0;
    WindowRef window = WindowFromNib(mBundle, "New Clip", &status);
    ASSERT_NE(window, nullptr);
    Recorder older{"older", &mLog};
    Recorder disposer{"disposer", &mLog, [window](EventRef) {
                          DisposeWindow(window);
                          return OSStatus{eventNotHandledErr};
                      }};
    EventHandlerRef olderRef = nullptr;
    InstallEventHandler(GetWindowEventTarget(window), RecordingHandler, 2, kDialogEvents, &older, &olderRef);
    InstallEventHandler(GetWindowEventTarget(window), RecordingHandler, 2, kDialogEvents, &disposer, nullptr);

    EXPECT_EQ(PlatformUIClickCloseBox(window), eventNotHandledErr);
    EXPECT_EQ(mLog, (std::vector<std::string>{"disposer"}));
    // The handlers went with the window, which is no window any more.
    EXPECT_EQ(RemoveEventHandler(olderRef), paramErr);
}

// A click reaches only the handlers of command events, with the control's command marked as coming
// from a control, readable only as the type it was put as.
TEST_F(EventTest, ClickingSendsTheControlsCommandToCommandHandlersOnly)
{
    HICommand received{};
    OSStatus asText = noErr;
    Recorder reader{"reader", nullptr, [&](EventRef event) {
                        asText = GetEventParameter(event, kEventParamDirectObject, typeCFStringRef, nullptr,
                                                   sizeof received, nullptr, &received);
                        GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof received,
                                          nullptr, &received);
                        return OSStatus{noErr};
                    }};
    Recorder closeOnly{"closeOnly"};
    const EventTypeSpec closeEvent[] = {{kEventClassWindow, kEventWindowClose}};
    Install(reader);
    Install(closeOnly, closeEvent, 1);
    ASSERT_EQ(PlatformUIClickControl(Control(mWindow, 6)), noErr);
    EXPECT_EQ(mLog, std::vector<std::string>{"reader"});
    EXPECT_EQ(received.commandID, static_cast<MenuCommand>('plai'));
    EXPECT_EQ(received.attributes, static_cast<UInt32>(kHICommandFromControl));
    EXPECT_EQ(asText, eventParameterNotFoundErr);
}

}  // namespace
