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

TEST_F(KeyboardSinkTest, CombiningStartsOnAndEveryCallIsReported)
{
    CGPostKeyboardEvent('x', 7, 2);  // any non-zero is down
    CGEnableEventStateCombining(true);
    CGEnableEventStateCombining(false);
    CGEnableEventStateCombining(false);
    ASSERT_EQ(mRecorded.events.size(), 4u);
    EXPECT_TRUE(mRecorded.events[0].keyDown);
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
