// Bringing the host forward around a modal interaction and handing the front back.
#include "support/StSwitchToFront.h"

#include "plugin/support/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

using dialogtest::IsHostInFront;
using dialogtest::OtherApplicationInFront;

TEST(StSwitchToFront, RememberingGivesTheFrontBackToTheApplicationThatHadIt)
{
    OtherApplicationInFront other;
    ASSERT_FALSE(IsHostInFront());
    {
        StSwitchToFront front(true);
        EXPECT_TRUE(IsHostInFront());
        EXPECT_NE(front.previousFront.lowLongOfPSN, 0u);
    }
    EXPECT_TRUE(OtherApplicationInFront::IsInFront());

    // Also when an exception passes.
    try {
        StSwitchToFront front(true);
        throw static_cast<OSStatus>(memFullErr);
    } catch (OSStatus) {
    }
    EXPECT_TRUE(OtherApplicationInFront::IsInFront());
}

TEST(StSwitchToFront, WithoutRememberingTheHostStaysInFront)
{
    OtherApplicationInFront other;
    {
        StSwitchToFront front(false);
        EXPECT_TRUE(IsHostInFront());
        EXPECT_EQ(front.previousFront.highLongOfPSN, 0u);
        EXPECT_EQ(front.previousFront.lowLongOfPSN, 0u);
    }
    EXPECT_TRUE(IsHostInFront());

    // A host already in front remembers itself, and giving the front back to it changes nothing.
    {
        StSwitchToFront front(true);
        EXPECT_TRUE(IsHostInFront());
        EXPECT_NE(front.previousFront.lowLongOfPSN, 0u);
    }
    EXPECT_TRUE(IsHostInFront());
}

}  // namespace
