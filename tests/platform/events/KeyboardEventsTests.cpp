// Posted keystrokes reach the front application's keyboard sink in order, with the state-combining
// setting in force; with no sink they go nowhere.
#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorded {
    std::vector<PlatformKeyboardEvent> events;
};

void Record(void* context, const PlatformKeyboardEvent* event)
{
    static_cast<Recorded*>(context)->events.push_back(*event);
}

// Installs the recording sink for one test and leaves the process as it found it.
class KeyboardSinkTest : public testing::Test {
protected:
    void SetUp() override { PlatformSetKeyboardSink(&Record, &mRecorded); }
    void TearDown() override
    {
        PlatformSetKeyboardSink(nullptr, nullptr);
        CGEnableEventStateCombining(true);
    }
    Recorded mRecorded;
};

TEST_F(KeyboardSinkTest, PasteSequenceArrivesInOrderWithCombiningOffAroundIt)
{
    EXPECT_EQ(CGEnableEventStateCombining(false), kCGErrorSuccess);
    EXPECT_EQ(CGPostKeyboardEvent(0, 55, true), kCGErrorSuccess);
    CGPostKeyboardEvent('v', 9, true);
    CGPostKeyboardEvent('v', 9, false);
    CGPostKeyboardEvent(0, 55, 0);
    CGEnableEventStateCombining(true);
    CGPostKeyboardEvent('a', 0, 2);  // any non-zero is down

    const auto& events = mRecorded.events;
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].kind, kPlatformStateCombiningChanged);
    EXPECT_FALSE(events[0].stateCombining);
    const struct {
        UInt16 charCode, keyCode;
        bool down;
    } keys[] = {{0, 55, true}, {'v', 9, true}, {'v', 9, false}, {0, 55, false}};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(events[1 + i].kind, kPlatformKeyEvent);
        EXPECT_EQ(events[1 + i].charCode, keys[i].charCode);
        EXPECT_EQ(events[1 + i].keyCode, keys[i].keyCode);
        EXPECT_EQ(events[1 + i].keyDown, keys[i].down);
        EXPECT_FALSE(events[1 + i].stateCombining);
    }
    EXPECT_EQ(events[5].kind, kPlatformStateCombiningChanged);
    EXPECT_TRUE(events[5].stateCombining);
    EXPECT_TRUE(events[6].keyDown);
    EXPECT_TRUE(events[6].stateCombining);
}

TEST_F(KeyboardSinkTest, CombiningStartsOnAndEveryCallIsReported)
{
    CGPostKeyboardEvent('x', 7, true);
    CGEnableEventStateCombining(true);
    CGEnableEventStateCombining(false);
    CGEnableEventStateCombining(false);
    ASSERT_EQ(mRecorded.events.size(), 4u);
    EXPECT_TRUE(mRecorded.events[0].stateCombining);
    EXPECT_TRUE(mRecorded.events[1].stateCombining);
    EXPECT_FALSE(mRecorded.events[2].stateCombining);
    EXPECT_EQ(mRecorded.events[3].kind, kPlatformStateCombiningChanged);
}

TEST_F(KeyboardSinkTest, WithoutASinkEventsGoNowhereAndTheSettingStillHolds)
{
    PlatformSetKeyboardSink(nullptr, &mRecorded);
    EXPECT_EQ(CGPostKeyboardEvent(0, 55, true), kCGErrorSuccess);
    EXPECT_EQ(CGEnableEventStateCombining(false), kCGErrorSuccess);
    EXPECT_TRUE(mRecorded.events.empty());

    Recorded other;
    PlatformSetKeyboardSink(&Record, &other);
    CGPostKeyboardEvent(0, 55, false);
    ASSERT_EQ(other.events.size(), 1u);
    EXPECT_FALSE(other.events[0].stateCombining);
    EXPECT_TRUE(mRecorded.events.empty());
}

}  // namespace
