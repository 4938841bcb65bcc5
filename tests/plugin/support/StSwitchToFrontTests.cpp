// Bringing the host forward around a modal interaction and handing the front back. The dialog and
// alert tests see the usual course; here the owner's own cases.
#include "support/StSwitchToFront.h"

#include "plugin/support/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

using dialogtest::IsHostInFront;
using dialogtest::OtherApplicationInFront;

TEST(StSwitchToFront, TheFrontGoesBackWhenRememberedAlsoPastAnExceptionAndStaysOtherwise)
{
    OtherApplicationInFront other;
    try {
        StSwitchToFront front(true);
        EXPECT_TRUE(IsHostInFront());
        EXPECT_NE(front.previousFront.lowLongOfPSN, 0u);
        throw static_cast<OSStatus>(memFullErr);
    } catch (OSStatus) {
    }
    EXPECT_TRUE(OtherApplicationInFront::IsInFront());

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
        EXPECT_NE(front.previousFront.lowLongOfPSN, 0u);
    }
    EXPECT_TRUE(IsHostInFront());
}

}  // namespace
