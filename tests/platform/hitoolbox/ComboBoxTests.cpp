// The combo box made in code and placed into a window's content view, and the rules of adding
// views to a hierarchy.
#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace hitoolboxtest;

class ComboBoxTest : public NewClipWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(NewClipWindowTest::SetUp());
        ASSERT_EQ(HIViewFindByID(HIViewGetRoot(mWindow), kHIViewWindowContentID, &mContent), noErr);
    }

    // A combo box (+1) as the new-clip dialog makes it.
    HIViewRef MakeComboBox(CFArrayRef list)
    {
        HIRect frame{{0, 0}, {226, 24}};
        HIViewRef box = nullptr;
        EXPECT_EQ(HIComboBoxCreate(&frame, nullptr, nullptr, list, kHIComboBoxStandardAttributes, &box), noErr);
        return box;
    }

    HIViewRef mContent = nullptr;
};

TEST_F(ComboBoxTest, PlacedInTheContentViewWithItsListAndText)
{
    auto root = AdoptCF<CFStringRef>(MakeString("/Stashwell"));
    auto work = AdoptCF<CFStringRef>(MakeString("/Stashwell/Work"));
    int number = 3;
    auto notAString = AdoptCF<CFNumberRef>(CFNumberCreate(nullptr, kCFNumberIntType, &number));
    const void* values[] = {root.Get(), notAString.Get(), work.Get()};
    auto list = AdoptCF<CFArrayRef>(CFArrayCreate(nullptr, values, 3, &kCFTypeArrayCallBacks));

    HIViewRef box = MakeComboBox(list.Get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(HIViewSetVisible(box, true), noErr);
    ASSERT_EQ(HIViewAddSubview(mContent, box), noErr);
    ASSERT_EQ(HIViewPlaceInSuperviewAt(box, 95.0, 50.0), noErr);
    ASSERT_EQ(SetTextOf(box, "/Stashwell"), noErr);

    OptionBits attributes = 0;
    ASSERT_EQ(HIComboBoxGetAttributes(box, &attributes), noErr);
    EXPECT_EQ(attributes, 11u);
    EXPECT_EQ(TextOf(box, kHIComboBoxEditTextPart), "/Stashwell");

    // The driver sees it among the window's controls, where the dialog put it.
    ASSERT_EQ(PlatformUIGetControlCount(mWindow), 7);
    ControlRef last = PlatformUIGetControlAtIndex(mWindow, 6);
    ASSERT_EQ(last, box);
    PlatformUIControlInfo info{};
    ASSERT_TRUE(PlatformUIGetControlInfo(last, &info));
    EXPECT_EQ(info.kind, kPlatformControlComboBox);
    EXPECT_TRUE(info.shown);
    EXPECT_EQ(info.frame.origin.x, 95.0);
    EXPECT_EQ(info.frame.origin.y, 50.0);
    EXPECT_EQ(info.frame.size.width, 226.0);
    EXPECT_EQ(info.frame.size.height, 24.0);
    auto items = AdoptCF<CFArrayRef>(PlatformUICopyComboBoxItems(last));
    ASSERT_NE(items.Get(), nullptr);
    ASSERT_EQ(CFArrayGetCount(items.Get()), 2);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(items.Get(), 1), work.Get()));

    auto typed = AdoptCF<CFStringRef>(MakeString("/Elsewhere"));
    ASSERT_EQ(PlatformUITypeText(box, typed.Get()), noErr);
    EXPECT_EQ(TextOf(box, kHIComboBoxEditTextPart), "/Elsewhere");
    ControlRef focus = nullptr;
    GetKeyboardFocus(mWindow, &focus);
    EXPECT_EQ(focus, box);
}

TEST_F(ComboBoxTest, NullListIsEmptyAndAnUnplacedBoxBelongsToItsMaker)
{
    HIViewRef box = MakeComboBox(nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), "");
    auto typed = AdoptCF<CFStringRef>(MakeString("x"));
    EXPECT_EQ(PlatformUITypeText(box, typed.Get()), errUnknownControl);
    CFRelease(box);
}

TEST_F(ComboBoxTest, HierarchyRefusesWhatCannotBeEmbedded)
{
    HIViewRef box = MakeComboBox(nullptr);
    ControlRef checkBox = Control(mWindow, 5);
    EXPECT_EQ(HIViewAddSubview(checkBox, box), errControlIsNotEmbedder);
    EXPECT_EQ(HIViewAddSubview(mContent, HIViewGetRoot(mWindow)), errCantEmbedRoot);
    EXPECT_EQ(HIViewAddSubview(mContent, mContent), errCantEmbedIntoSelf);
    EXPECT_EQ(HIViewAddSubview(HIViewGetRoot(mWindow), mContent), paramErr);
    ASSERT_EQ(HIViewAddSubview(mContent, box), noErr);
    EXPECT_EQ(HIViewAddSubview(mContent, box), paramErr);
    EXPECT_EQ(HIComboBoxCreate(nullptr, nullptr, nullptr, nullptr, 0, &box), paramErr);
    EXPECT_EQ(box, nullptr);
}

}  // namespace
