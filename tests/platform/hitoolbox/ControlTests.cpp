// Controls of a window made from an interface file: finding them, their values, their text and
// selection by tag, hiding, and the keyboard focus.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using namespace hitoolboxtest;

class ControlTest : public NewClipWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(NewClipWindowTest::SetUp());
        mName = Control(mWindow, 3);
        mSecure = Control(mWindow, 5);
        ASSERT_NE(mName, nullptr);
        ASSERT_NE(mSecure, nullptr);
    }
    ControlRef mName = nullptr;
    ControlRef mSecure = nullptr;
};

TEST_F(ControlTest, FindingByIDNeedsSignatureAndNumberAndValuesAreClampedToTheRange)
{
    ControlRef found = reinterpret_cast<ControlRef>(1);
    ControlID wrongSignature{'Swdh', 3};
    EXPECT_EQ(GetControlByID(mWindow, &wrongSignature, &found), errUnknownControl);
    EXPECT_EQ(found, nullptr);
    ControlID wrongNumber{'Swdg', 4};
    EXPECT_EQ(GetControlByID(mWindow, &wrongNumber, &found), errUnknownControl);
    ControlID right{'Swdg', 6};
    EXPECT_EQ(GetControlByID(mWindow, &right, &found), noErr);
    EXPECT_EQ(TakeText(PlatformUICopyControlTitle(found)), "Plain text only");
    EXPECT_EQ(GetControlByID(nullptr, &right, &found), errInvalidWindowRef);
    EXPECT_EQ(found, nullptr);
    // The window has the title its file gives.
    CFStringRef title = nullptr;
    ASSERT_EQ(CopyWindowTitleAsCFString(mWindow, &title), noErr);
    EXPECT_EQ(TakeText(title), "New Clip");

    // Values are clamped to the control's range.
    SetControlValue(mSecure, 1);
    EXPECT_EQ(GetControlValue(mSecure), 1);
    SetControlValue(mSecure, 7);
    EXPECT_EQ(GetControlValue(mSecure), kControlCheckBoxMixedValue);
    SetControlValue(mSecure, -3);
    EXPECT_EQ(GetControlValue(mSecure), 0);
    SetControlValue(mName, 1);
    EXPECT_EQ(GetControlValue(mName), 0);
    EXPECT_EQ(GetControlValue(nullptr), 0);
}

TEST_F(ControlTest, TextTagStoresACopyAndTheSelectionIsKeptAsGivenAndMovesAfterNewText)
{
    CFMutableStringRef typed = CFStringCreateMutable(nullptr, 0);
    CFStringAppendCString(typed, "Dear John,", kCFStringEncodingUTF8);
    CFStringRef ref = typed;
    ASSERT_EQ(SetControlData(mName, kControlEntireControl, kControlEditTextCFStringTag, sizeof ref, &ref), noErr);
    CFStringAppendCString(typed, " more", kCFStringEncodingUTF8);
    CFRelease(typed);
    EXPECT_EQ(TextOf(mName), "Dear John,");
    EXPECT_EQ(TextOf(mName, kControlEditTextPart), "Dear John,");

    Size size = 0;
    EXPECT_EQ(GetControlData(mName, kControlEntireControl, kControlEditTextCFStringTag, 0, nullptr, &size), noErr);
    EXPECT_EQ(size, static_cast<Size>(sizeof(CFStringRef)));
    CFStringRef out = nullptr;
    EXPECT_EQ(GetControlData(mName, 0, kControlEditTextCFStringTag, 4, &out, nullptr), errDataSizeMismatch);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(SetControlData(mName, 0, kControlEditTextCFStringTag, 4, &ref), errDataSizeMismatch);
    EXPECT_EQ(GetControlData(mName, 2, kControlEditTextCFStringTag, sizeof out, &out, nullptr), errInvalidPartCode);
    EXPECT_EQ(GetControlData(mSecure, 0, kControlEditTextCFStringTag, sizeof out, &out, nullptr), errDataNotSupported);
    EXPECT_EQ(GetControlData(mName, 0, 'what', sizeof out, &out, nullptr), errDataNotSupported);
    CFNumberRef notText = nullptr;
    int one = 1;
    notText = CFNumberCreate(nullptr, kCFNumberIntType, &one);
    CFTypeRef wrong = notText;
    EXPECT_EQ(SetControlData(mName, 0, kControlEditTextCFStringTag, sizeof wrong, &wrong), paramErr);
    CFRelease(notText);
    EXPECT_EQ(TextOf(mName), "Dear John,");

    // The selection is kept as given and moves after new text.
    ASSERT_EQ(SetTextOf(mName, "abc"), noErr);
    ControlEditTextSelectionRec selection{-1, -1};
    ASSERT_EQ(GetControlData(mName, 0, kControlEditTextSelectionTag, sizeof selection, &selection, nullptr), noErr);
    EXPECT_EQ(selection.selStart, 3);
    EXPECT_EQ(selection.selEnd, 3);

    ControlEditTextSelectionRec all{0, 32767};
    ASSERT_EQ(SetControlData(mName, 0, kControlEditTextSelectionTag, sizeof all, &all), noErr);
    ASSERT_EQ(GetControlData(mName, 0, kControlEditTextSelectionTag, sizeof selection, &selection, nullptr), noErr);
    EXPECT_EQ(selection.selStart, 0);
    EXPECT_EQ(selection.selEnd, 32767);
    EXPECT_EQ(SetControlData(mSecure, 0, kControlEditTextSelectionTag, sizeof all, &all), errDataNotSupported);
    EXPECT_EQ(SetControlData(mName, 0, kControlEditTextSelectionTag, 2, &all), errDataSizeMismatch);
}

TEST_F(ControlTest, FocusGoesOnlyToShownTextControlsAndLeavesWhenHidden)
{
    ControlRef focus = nullptr;
    ASSERT_EQ(GetKeyboardFocus(mWindow, &focus), noErr);
    EXPECT_EQ(focus, nullptr);
    EXPECT_EQ(SetKeyboardFocus(mWindow, mSecure, kControlFocusNextPart), errControlDoesntSupportFocus);
    ASSERT_EQ(SetKeyboardFocus(mWindow, mName, kControlFocusNextPart), noErr);
    GetKeyboardFocus(mWindow, &focus);
    EXPECT_EQ(focus, mName);

    HideControl(mName);
    GetKeyboardFocus(mWindow, &focus);
    EXPECT_EQ(focus, nullptr);
    EXPECT_EQ(SetKeyboardFocus(mWindow, mName, kControlFocusNextPart), errControlHiddenOrDisabled);
    ShowControl(mName);
    EXPECT_EQ(SetKeyboardFocus(mWindow, mName, kControlFocusNextPart), noErr);
    EXPECT_EQ(SetKeyboardFocus(mWindow, nullptr, kControlFocusNoPart), noErr);
    GetKeyboardFocus(mWindow, &focus);
    EXPECT_EQ(focus, nullptr);

    // A control of another window is not this window's to focus.
    OSStatus status = 0;
    OwnedWindow other(WindowFromNib(mBundle, "New Clip", &status));
    EXPECT_EQ(SetKeyboardFocus(other, mName, kControlFocusNextPart), errUnknownControl);

    // Hiding the content view hides every control in it.
    HIViewRef content = nullptr;
    ASSERT_EQ(HIViewFindByID(HIViewGetRoot(mWindow), kHIViewWindowContentID, &content), noErr);
    ASSERT_EQ(SetKeyboardFocus(mWindow, mName, kControlFocusNextPart), noErr);
    HIViewSetVisible(content, false);
    PlatformUIControlInfo info{};
    ASSERT_TRUE(PlatformUIGetControlInfo(mSecure, &info));
    EXPECT_TRUE(info.visible);
    EXPECT_FALSE(info.shown);
    ASSERT_TRUE(PlatformUIGetControlInfo(mName, &info));
    EXPECT_FALSE(info.focused);
    EXPECT_EQ(PlatformUIClickControl(mSecure), errControlHiddenOrDisabled);
    EXPECT_EQ(GetControlValue(mSecure), 0);
}

TEST_F(ControlTest, DisposingTheWindowLeavesRetainedControlsWithoutIt)
{
    CFRetain(mName);
    DisposeWindow(std::exchange(mWindow, nullptr));
    EXPECT_EQ(SetTextOf(mName, "still here"), noErr);
    EXPECT_EQ(TextOf(mName), "still here");
    auto text = AdoptCF<CFStringRef>(MakeString("typed"));
    EXPECT_EQ(PlatformUITypeText(mName, text.Get()), errUnknownControl);
    CFRelease(mName);
}

}  // namespace
