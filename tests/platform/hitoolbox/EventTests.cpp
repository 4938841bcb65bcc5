// Carbon events: parameters, and dispatch to the handlers on a window's target, newest first,
// with handlers removed before or during a dispatch.
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

TEST(EventParameterTest, CommandRecordRoundTripsAndMismatchesAreRefused)
{
    EventRef event = nullptr;
    ASSERT_EQ(CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, 0, &event), noErr);
    EXPECT_EQ(GetEventClass(event), static_cast<UInt32>(kEventClassCommand));
    EXPECT_EQ(GetEventKind(event), static_cast<UInt32>(kEventCommandProcess));
    HICommand sent{kHICommandFromControl, kHICommandOK, {nullptr, 0}};
    ASSERT_EQ(SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof sent, &sent), noErr);

    HICommand read{};
    EventParamType type = 0;
    ByteCount size = 0;
    ASSERT_EQ(GetEventParameter(event, kEventParamDirectObject, typeHICommand, &type, sizeof read, &size, &read), noErr);
    EXPECT_EQ(read.commandID, static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(read.attributes, static_cast<UInt32>(kHICommandFromControl));
    EXPECT_EQ(type, static_cast<EventParamType>(typeHICommand));
    EXPECT_EQ(size, sizeof(HICommand));

    EXPECT_EQ(GetEventParameter(event, kEventParamDirectObject, typeCFStringRef, nullptr, sizeof read, nullptr, &read),
              eventParameterNotFoundErr);
    EXPECT_EQ(GetEventParameter(event, 'none', typeHICommand, nullptr, sizeof read, nullptr, &read),
              eventParameterNotFoundErr);
    HICommand tooSmall[1]{};
    EXPECT_EQ(GetEventParameter(event, kEventParamDirectObject, typeWildCard, nullptr, 4, nullptr, tooSmall), paramErr);
    EXPECT_EQ(tooSmall[0].commandID, 0u);

    EXPECT_EQ(RetainEvent(event), event);
    ReleaseEvent(event);
    ReleaseEvent(event);
}

TEST_F(EventTest, NewestHandlerFirstUntilOneHandlesIt)
{
    Recorder older{"older", nullptr, [](EventRef) { return OSStatus{noErr}; }};
    Recorder passing{"passing"};
    Recorder closeOnly{"closeOnly", nullptr, [](EventRef) { return OSStatus{noErr}; }};
    const EventTypeSpec closeEvent[] = {{kEventClassWindow, kEventWindowClose}};
    Install(older);
    Install(passing);
    Install(closeOnly, closeEvent, 1);

    EXPECT_EQ(SendCommand('secu'), noErr);
    EXPECT_EQ(mLog, (std::vector<std::string>{"passing", "older"}));
    mLog.clear();
    EXPECT_EQ(PlatformUIClickCloseBox(mWindow), noErr);
    EXPECT_EQ(mLog, (std::vector<std::string>{"closeOnly"}));
}

TEST_F(EventTest, UnhandledEventsAnswerNotHandled)
{
    Recorder passing{"passing"};
    Install(passing);
    EXPECT_EQ(SendCommand(0), eventNotHandledErr);
    EventRef other = nullptr;
    CreateEvent(nullptr, kEventClassWindow, 73, 0, 0, &other);
    EXPECT_EQ(SendEventToEventTarget(other, GetWindowEventTarget(mWindow)), eventNotHandledErr);
    ReleaseEvent(other);
    EXPECT_EQ(mLog, (std::vector<std::string>{"passing"}));
}

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

TEST_F(EventTest, ClickingSendsTheControlsCommandFromTheControl)
{
    HICommand received{};
    Recorder reader{"reader", nullptr, [&received](EventRef event) {
                        GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof received,
                                          nullptr, &received);
                        return OSStatus{noErr};
                    }};
    Install(reader);
    ControlRef plain = Control(mWindow, 6);
    ASSERT_EQ(PlatformUIClickControl(plain), noErr);
    EXPECT_EQ(GetControlValue(plain), 1);
    EXPECT_EQ(received.commandID, static_cast<MenuCommand>('plai'));
    EXPECT_EQ(received.attributes, static_cast<UInt32>(kHICommandFromControl));
    SetControlValue(plain, kControlCheckBoxMixedValue);
    ASSERT_EQ(PlatformUIClickControl(plain), noErr);
    EXPECT_EQ(GetControlValue(plain), 0);

    // A label is not clickable, and a label has no command to send anyway.
    EXPECT_EQ(PlatformUIClickControl(PlatformUIGetControlAtIndex(mWindow, 0)), errDataNotSupported);
    EXPECT_EQ(mLog.size(), 2u);
}

}  // namespace
