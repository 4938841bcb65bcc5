// The "New Clip" dialog of the built bundle, played by a scripted user: what the user first sees,
// and what comes back for each way of ending it.
#include "commands/NewClipDialog.h"

#include "platform/hitoolbox/HIToolboxTestSupport.h"
#include "plugin/support/PluginSession.h"
#include "plugin/support/ScriptedUser.h"
#include "support/CFObj.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using dialogtest::ClickButton;
using dialogtest::FindControl;
using dialogtest::FindControlByID;
using dialogtest::CreateString;
using dialogtest::OtherApplicationInFront;
using dialogtest::PressOK;
using dialogtest::ScriptedUser;
using dialogtest::ShownControl;
using dialogtest::ShownWindow;
using dialogtest::TakeText;
using dialogtest::TypeInto;

CFMutableArrayRef CreateNames(const std::vector<std::string>& names)
{
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    for (const std::string& each : names) {
        CFObj<CFStringRef> name(CreateString(each));
        CFArrayAppendValue(array, name.Get());
    }
    return array;
}

struct Answer {
    bool confirmed = false;
    std::optional<std::string> name;     // unset: NULL came back
    std::optional<std::string> submenu;  // unset: NULL came back
    Boolean secure = false;
    Boolean plainText = false;
    bool operator==(const Answer&) const = default;
};

void PrintTo(const Answer& answer, std::ostream* out)
{
    *out << (answer.confirmed ? "confirmed" : "not confirmed") << ", name " << answer.name.value_or("NULL")
         << ", submenu " << answer.submenu.value_or("NULL") << ", secure " << int(answer.secure) << ", plain text "
         << int(answer.plainText);
}

class NewClipDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        mInstance = AllocAbstractCMPluginType(nullptr);
        ASSERT_NE(mInstance, nullptr);
        mInstance->bundle = sessiontest::CreateStashwellBundle();
        mInstance->implData.systemVersion = 0x1068;
    }
    void TearDown() override { DeallocAbstractCMPluginType(mInstance); }

    Answer Ask(CFArrayRef names, Boolean offerPlainText, Boolean secure = false, Boolean plainText = false,
               const char* defaultName = "Proposed name")
    {
        CFObj<CFStringRef> proposed(CreateString(defaultName));
        Answer answer;
        answer.secure = secure;
        answer.plainText = plainText;
        CFStringRef submenu = CFSTR("not set");
        CFStringRef name = CFSTR("not set");
        answer.confirmed = AskForClipName(mInstance, proposed.Get(), names, offerPlainText, &submenu, &name,
                                          answer.secure, answer.plainText);
        if (name != nullptr) {
            answer.name = TakeText(name);
        }
        if (submenu != nullptr) {
            answer.submenu = TakeText(submenu);
        }
        return answer;
    }

    // The window as first shown; fails the test when none was.
    const ShownWindow& Shown()
    {
        EXPECT_EQ(mUser.windows.size(), 1u);
        static const ShownWindow none;
        return mUser.windows.empty() ? none : mUser.windows[0];
    }

    ScriptedUser mUser;
    AbstractCMPluginType* mInstance = nullptr;
};

// What the user first sees is also reported by the clip scenarios (the proposed name selected,
// the submenu list, the boxes unticked); here what they cannot see from outside.
TEST_F(NewClipDialogTest, FirstShownInFrontWithTheNameFocusedAndOKAsDefault)
{
    OtherApplicationInFront other;
    OptionBits attributes = 0;
    mUser.act = [&](WindowRef window, UInt32 step) {
        HIComboBoxGetAttributes(FindControl(window, kPlatformControlComboBox), &attributes);
        return PressOK(window, step);
    };
    CFObj<CFMutableArrayRef> names(CreateNames({"/Stashwell", "/Stashwell/Work", "/Mail"}));
    EXPECT_EQ(Ask(names.Get(), true), (Answer{true, "Proposed name", "/Stashwell", false, false}));

    const ShownWindow& shown = Shown();
    EXPECT_EQ(shown.name, "New Clip");
    EXPECT_TRUE(shown.visible);
    EXPECT_TRUE(shown.hostInFront) << "the host must be in front while the dialog is up";
    EXPECT_TRUE(OtherApplicationInFront::IsInFront()) << "and give the front back afterwards";
    const ShownControl* nameField = shown.Find('Swdg', 3);
    ASSERT_NE(nameField, nullptr);
    EXPECT_EQ(nameField->info.kind, kPlatformControlEditText);
    EXPECT_TRUE(nameField->info.focused);
    for (SInt32 id : {5, 6}) {
        const ShownControl* box = shown.Find('Swdg', id);
        ASSERT_NE(box, nullptr) << id;
        EXPECT_EQ(box->info.kind, kPlatformControlCheckBox);
        EXPECT_TRUE(box->info.shown) << id;
    }
    const ShownControl* submenu = shown.FindKind(kPlatformControlComboBox);
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(submenu->items, (std::vector<std::string>{"/Stashwell", "/Stashwell/Work", "/Mail"}));
    EXPECT_EQ(attributes, OptionBits{11});
    EXPECT_EQ(submenu->info.frame.size.width, 226.0);
    EXPECT_EQ(submenu->info.frame.size.height, 24.0);
    auto isDefault = [](const ShownControl& control) { return control.info.isDefault; };
    auto ok = std::find_if(shown.controls.begin(), shown.controls.end(), isDefault);
    ASSERT_NE(ok, shown.controls.end()) << "a default button";
    EXPECT_EQ(ok->info.command, static_cast<MenuCommand>(kHICommandOK));
}

TEST_F(NewClipDialogTest, SubmenuFieldSitsLowerFrom10_3On)
{
    CFObj<CFMutableArrayRef> names(CreateNames({"/Stashwell"}));
    const std::pair<SInt32, double> cases[] = {{0x1020, 30.0}, {0x102F, 30.0}, {0x1030, 50.0}, {0x1068, 50.0}};
    for (auto [version, y] : cases) {
        ScriptedUser user;
        user.act = PressOK;
        mInstance->implData.systemVersion = version;
        Ask(names.Get(), true);
        ASSERT_EQ(user.windows.size(), 1u);
        const ShownControl* submenu = user.windows[0].FindKind(kPlatformControlComboBox);
        ASSERT_NE(submenu, nullptr);
        EXPECT_EQ(submenu->info.frame.origin.x, 95.0) << std::hex << version;
        EXPECT_EQ(submenu->info.frame.origin.y, y) << std::hex << version;
    }
}

TEST_F(NewClipDialogTest, MissingOrUnusableNamesGiveAnEmptySubmenuText)
{
    CFObj<CFMutableArrayRef> empty(CreateNames({}));
    CFObj<CFMutableArrayRef> numberFirst(CreateNames({"/Later"}));
    SInt32 seven = 7;
    CFObj<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberSInt32Type, &seven));
    CFArrayInsertValueAtIndex(numberFirst.Get(), 0, number.Get());
    struct Case {
        CFArrayRef names;
        std::vector<std::string> items;
    } cases[] = {{nullptr, {}}, {empty.Get(), {}}, {numberFirst.Get(), {"/Later"}}};
    for (const Case& each : cases) {
        ScriptedUser user;
        user.act = PressOK;
        Answer answer = Ask(each.names, true);
        ASSERT_EQ(user.windows.size(), 1u);
        const ShownControl* submenu = user.windows[0].FindKind(kPlatformControlComboBox);
        ASSERT_NE(submenu, nullptr);
        EXPECT_EQ(submenu->text, "");
        EXPECT_EQ(submenu->items, each.items);
        EXPECT_EQ(answer, (Answer{true, "Proposed name", "", false, false}));
    }
}

TEST_F(NewClipDialogTest, PlainTextBoxIsHiddenWhenNotOfferedAndItsArgumentKept)
{
    mUser.act = PressOK;
    Answer answer = Ask(nullptr, false, true, true);
    const ShownControl* plainText = Shown().Find('Swdg', 6);
    ASSERT_NE(plainText, nullptr);
    EXPECT_FALSE(plainText->info.visible);
    const ShownControl* secure = Shown().Find('Swdg', 5);
    ASSERT_NE(secure, nullptr);
    EXPECT_EQ(secure->info.value, 1) << "ticked as passed in";
    EXPECT_EQ(answer, (Answer{true, "Proposed name", "", true, true})) << "the plain-text argument unchanged";
}

TEST_F(NewClipDialogTest, WhatTheUserTypesAndTicksComesBack)
{
    CFObj<CFMutableArrayRef> names(CreateNames({"/Stashwell"}));
    using Typed = std::pair<std::string, std::string>;  // name, submenu
    for (const auto& [name, submenu] : {Typed{"Greeting: hello", "/Not/Listed"}, Typed{"", ""}}) {
        ScriptedUser user;
        user.act = [&](WindowRef window, UInt32) {
            EXPECT_EQ(TypeInto(FindControlByID(window, 3), name), noErr);
            EXPECT_EQ(TypeInto(FindControl(window, kPlatformControlComboBox), submenu), noErr);
            PlatformUIClickControl(FindControlByID(window, 5));
            PlatformUIClickControl(FindControlByID(window, 6));
            return PressOK(window, 0);
        };
        EXPECT_EQ(Ask(names.Get(), true), (Answer{true, name, submenu, true, true}));
    }
}

TEST_F(NewClipDialogTest, CancelAndTheCloseBoxReturnNothingAndKeepTheCheckBoxArguments)
{
    const std::function<void(WindowRef)> endings[] = {
        [](WindowRef window) { ClickButton(window, kHICommandCancel); },
        [](WindowRef window) { PlatformUIClickCloseBox(window); },
        [](WindowRef window) { dialogtest::SendCommand(window, kHICommandQuit); },
    };
    for (const auto& end : endings) {
        ScriptedUser user;
        user.act = [&](WindowRef window, UInt32) {
            TypeInto(FindControlByID(window, 3), "Typed");
            PlatformUIClickControl(FindControlByID(window, 5));
            PlatformUIClickControl(FindControlByID(window, 6));
            end(window);
            return false;
        };
        Answer answer = Ask(nullptr, true, false, true);
        EXPECT_EQ(user.windows.size(), 1u);
        EXPECT_EQ(answer, (Answer{false, std::nullopt, std::nullopt, false, true})) << "check box arguments kept";
    }
}

TEST_F(NewClipDialogTest, WithoutTheInterfaceFileNothingIsShown)
{
    OtherApplicationInFront other;
    CFRelease(mInstance->bundle);
    mInstance->bundle = nullptr;
    mUser.act = PressOK;
    EXPECT_EQ(Ask(nullptr, true), Answer{});
    EXPECT_TRUE(mUser.windows.empty());
    EXPECT_TRUE(OtherApplicationInFront::IsInFront()) << "the front is not touched";
}

// A window of another bundle that lacks some of the controls.
std::string WindowWithout(bool nameField, bool checkBoxes)
{
    using hitoolboxtest::Frame;
    std::string controls;
    if (nameField) {
        controls += "<dict><key>kind</key><string>editText</string><key>signature</key><string>Swdg</string>"
                    "<key>id</key><integer>3</integer>" + Frame(95, 6, 226, 22) + "</dict>";
    }
    if (checkBoxes) {
        controls += "<dict><key>kind</key><string>checkBox</string><key>signature</key><string>Swdg</string>"
                    "<key>id</key><integer>5</integer>" + Frame(95, 86, 200, 18) + "</dict>";
    }
    controls += "<dict><key>kind</key><string>pushButton</string><key>title</key><string>OK</string>"
                "<key>command</key><string>ok  </string><key>default</key><true/>" + Frame(270, 136, 80, 20) +
                "</dict>";
    return hitoolboxtest::InterfaceFile("<key>New Clip</key><dict><key>width</key><integer>360</integer>"
                                        "<key>height</key><integer>170</integer><key>controls</key><array>" +
                                        controls + "</array></dict>");
}

TEST_F(NewClipDialogTest, MissingControlsAreLeftOut)
{
    const struct {
        bool nameField, checkBoxes;
        Answer answer;
    } cases[] = {
        {false, true, Answer{false, std::nullopt, std::nullopt, true, true}},  // no name can be read
        {true, false, Answer{true, "Proposed name", "", true, true}},  // no check box: unchanged
    };
    for (const auto& c : cases) {
        hitoolboxtest::NibBundle bundle(WindowWithout(c.nameField, c.checkBoxes));
        if (mInstance->bundle != nullptr) {
            CFRelease(mInstance->bundle);
        }
        mInstance->bundle = static_cast<CFBundleRef>(const_cast<void*>(CFRetain(bundle.get())));
        ScriptedUser user;
        user.act = PressOK;
        EXPECT_EQ(Ask(nullptr, true, true, true), c.answer);
        EXPECT_EQ(user.windows.size(), 1u) << "shown all the same";
        CFRelease(mInstance->bundle);
        mInstance->bundle = nullptr;
    }
}

}  // namespace
