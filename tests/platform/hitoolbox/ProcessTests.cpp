// The front process: the calling process, other applications the host names, and the sequence a
// scoped switch to the front performs.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

namespace {

class ProcessTest : public testing::Test {
protected:
    void TearDown() override { PlatformSetFrontProcess(nullptr); }

    static ProcessSerialNumber Front()
    {
        ProcessSerialNumber front{};
        EXPECT_EQ(GetFrontProcess(&front), noErr);
        return front;
    }
    static bool Same(const ProcessSerialNumber& a, const ProcessSerialNumber& b)
    {
        Boolean same = false;
        EXPECT_EQ(SameProcess(&a, &b, &same), noErr);
        return same;
    }

    const ProcessSerialNumber mCurrentAlias{0, kCurrentProcess};
    const ProcessSerialNumber mFinder{0, 0x1234};
};

TEST_F(ProcessTest, CurrentProcessHasARealNumberThatTheAliasNames)
{
    // At first this process is the front one.
    ProcessSerialNumber current = Front();
    EXPECT_FALSE(current.highLongOfPSN == 0 && current.lowLongOfPSN <= kCurrentProcess);
    EXPECT_TRUE(Same(current, mCurrentAlias));
    EXPECT_FALSE(Same(current, mFinder));
    Boolean same = true;
    EXPECT_EQ(SameProcess(&current, nullptr, &same), paramErr);
    EXPECT_EQ(GetFrontProcess(nullptr), paramErr);
}

TEST_F(ProcessTest, FrontCanBeGivenAwayAndTakenBackButNotToAnUnknownProcess)
{
    const ProcessSerialNumber stranger{7, 7};
    const ProcessSerialNumber none{0, kNoProcess};
    EXPECT_EQ(SetFrontProcess(&stranger), procNotFound);
    EXPECT_EQ(SetFrontProcess(&none), procNotFound);
    EXPECT_EQ(SetFrontProcess(nullptr), paramErr);
    EXPECT_TRUE(Same(Front(), mCurrentAlias));

    PlatformSetFrontProcess(&mFinder);
    EXPECT_TRUE(Same(Front(), mFinder));

    // What a scoped switch does: remember the front, come forward, give the front back.
    ProcessSerialNumber previous = Front();
    ASSERT_FALSE(Same(mCurrentAlias, previous));
    ASSERT_EQ(SetFrontProcess(&mCurrentAlias), noErr);
    EXPECT_TRUE(Same(Front(), mCurrentAlias));
    ASSERT_EQ(SetFrontProcess(&previous), noErr);
    EXPECT_TRUE(Same(Front(), mFinder));
}

}  // namespace
