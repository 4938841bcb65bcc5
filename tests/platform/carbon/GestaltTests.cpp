// Gestalt answers the system version that the host set, and fails in the ways callers rely on.
#include <Carbon/Gestalt.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

namespace {

class GestaltVersion : public testing::Test {
protected:
    void SetUp() override { mSaved = PlatformGetSystemVersion(); }
    void TearDown() override { PlatformSetSystemVersion(mSaved); }

private:
    SInt32 mSaved = 0;
};

// Every test that changes the version puts it back, so the process default is still in place
// when this one starts; the last case sets the default again to show it is answered like any other.
TEST_F(GestaltVersion, DefaultsToTenSixEightAnswersTheVersionTheHostSetAndFailsOtherwise)
{
    SInt32 response = 0;
    EXPECT_EQ(Gestalt(gestaltSystemVersion, &response), noErr);
    EXPECT_EQ(response, 0x1068);
    for (SInt32 version : {0x1020, 0x1019, 0x1030, 0x1068}) {
        PlatformSetSystemVersion(version);
        response = -1;
        EXPECT_EQ(Gestalt(gestaltSystemVersion, &response), noErr) << std::hex << version;
        EXPECT_EQ(response, version);
    }

    // Version zero, other selectors and a null response fail.
    PlatformSetSystemVersion(0);
    response = 0x1068;
    EXPECT_NE(Gestalt(gestaltSystemVersion, &response), noErr);
    EXPECT_EQ(response, 0);
    response = 7;
    EXPECT_EQ(Gestalt('sysa', &response), gestaltUndefSelectorErr);
    EXPECT_EQ(response, 0);
    EXPECT_EQ(Gestalt(0, &response), gestaltUndefSelectorErr);
    EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
}

}  // namespace
