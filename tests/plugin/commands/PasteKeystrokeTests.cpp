// The paste keystroke: four key events with state combining off around them, posted once from a
// one-shot timer on the current run loop, or at once after a wait when no timer can be had.
#include "commands/PasteKeystroke.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

struct Posted {
    PlatformKeyboardEventKind kind;
    int charCode;
    int keyCode;
    bool keyDown;
    bool stateCombining;
    bool operator==(const Posted&) const = default;
};

class ScopedKeyboardRecorder {
public:
    ScopedKeyboardRecorder() { PlatformSetKeyboardSink(Record, this); }
    ~ScopedKeyboardRecorder() { PlatformSetKeyboardSink(nullptr, nullptr); }
    std::vector<Posted> events;

private:
    static void Record(void* context, const PlatformKeyboardEvent* event)
    {
        static_cast<ScopedKeyboardRecorder*>(context)->events.push_back(
            {event->kind, event->charCode, event->keyCode, event->keyDown != 0, event->stateCombining != 0});
    }
};

const std::vector<Posted> kPasteSequence = {
    {kPlatformStateCombiningChanged, 0, 0, false, false},
    {kPlatformKeyEvent, 0, 55, true, false},
    {kPlatformKeyEvent, 'v', 9, true, false},
    {kPlatformKeyEvent, 'v', 9, false, false},
    {kPlatformKeyEvent, 0, 55, false, false},
    {kPlatformStateCombiningChanged, 0, 0, false, true},
};

TEST(PasteKeystrokeTest, CallbackWithoutTimerPostsTheSequenceOnly)
{
    ScopedKeyboardRecorder keyboard;
    KeyPressSimulationCallBack(nullptr, nullptr);
    EXPECT_EQ(keyboard.events, kPasteSequence);
}

// Posted once, from the host's run loop, in whatever mode a modal loop runs it; that it is posted
// once and its timer given back is seen by every paste of the command tests.
TEST(PasteKeystrokeTest, TimerPostsFromTheRunLoopAlsoInsideANestedModalLoop)
{
    ScopedKeyboardRecorder keyboard;
    StartPasteKeystroke();
    EXPECT_TRUE(keyboard.events.empty()) << "nothing is posted before the host's run loop turns";
    EXPECT_EQ(CFRunLoopRunInMode(CFSTR("ModalDialogMode"), 5.0, true), kCFRunLoopRunHandledSource);
    EXPECT_EQ(keyboard.events, kPasteSequence);
}

TEST(PasteKeystrokeTest, WithoutATimerPostsBeforeReturningAfterTheDelay)
{
    ScopedKeyboardRecorder keyboard;
    PlatformFailNextTimerCreationsForTesting(1);
    auto start = std::chrono::steady_clock::now();
    StartPasteKeystroke();
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(keyboard.events, kPasteSequence);
    EXPECT_GE(waited, std::chrono::milliseconds(50));
    EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, true), kCFRunLoopRunFinished);
}

}  // namespace
