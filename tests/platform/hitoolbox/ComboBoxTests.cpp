// A combo box made in code without a list, and the rules of adding views to a hierarchy.
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
    HIViewRef MakeComboBox()
    {
        HIRect frame{{0, 0}, {226, 24}};
        HIViewRef box = nullptr;
        EXPECT_EQ(HIComboBoxCreate(&frame, nullptr, nullptr, nullptr, kHIComboBoxStandardAttributes, &box), noErr);
        return box;
    }

    HIViewRef mContent = nullptr;
};

TEST_F(ComboBoxTest, NullListIsEmptyAndAnUnplacedBoxBelongsToItsMaker)
{
    HIViewRef box = MakeComboBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), "");
    auto typed = AdoptCF<CFStringRef>(MakeString("x"));
    EXPECT_EQ(PlatformUITypeText(box, typed.Get()), errUnknownControl);
    CFRelease(box);
}

TEST_F(ComboBoxTest, HierarchyRefusesWhatCannotBeEmbedded)
{
    HIViewRef box = MakeComboBox();
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
