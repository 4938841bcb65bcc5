// Checks shared by the tests of the Cocoa objects: every Cocoa object and every registered
// pasteboard made in a test is gone when it ends.
#pragma once

#include <Cocoa/Cocoa.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

class CocoaObjectsTest : public testing::Test {
protected:
    void SetUp() override
    {
        mObjectsAtStart = PlatformCocoaLiveObjectCount();
        mPasteboardsAtStart = PlatformCocoaPasteboardCount();
    }
    void TearDown() override
    {
        PlatformRemoveCocoaApplication();
        EXPECT_EQ(PlatformCocoaLiveObjectCount(), mObjectsAtStart);
        EXPECT_EQ(PlatformCocoaPasteboardCount(), mPasteboardsAtStart);
    }

    long ObjectsMade() const { return PlatformCocoaLiveObjectCount() - mObjectsAtStart; }

private:
    long mObjectsAtStart = 0;
    long mPasteboardsAtStart = 0;
};
