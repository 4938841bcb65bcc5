// The dialog form without a terminal: keys edit the window's fields through the user's calls, the
// focus walks the shown controls in the window's rows, and the ending keys name the button.
#include "user/DialogForm.h"

#include "host/support/NewClipTestWindow.h"

#include <gtest/gtest.h>

namespace {

using cmhost::DialogForm;
using cmhost::FormKey;
using cmhost::FormKeyKind;
using Kind = DialogForm::Outcome::Kind;

FormKey Typed(const std::string& text)
{
    return FormKey{FormKeyKind::Text, text};
}

FormKey Key(FormKeyKind kind)
{
    return FormKey{kind, {}};
}

std::string AllLines(const DialogForm& form)
{
    std::string text;
    for (const std::string& line : form.Lines())
        text += line + "\n";
    return text;
}

class DialogFormTest : public testing::Test {
protected:
    hosttest::NewClipTestWindow mDialog;
};

// What the line editor does with each key is its own test's business; here, that the form's edits
// reach the window.
TEST_F(DialogFormTest, ComboBoxTakesChoicesFromItsListOrTypedText)
{
    DialogForm form(mDialog.Window());
    ASSERT_EQ(form.Focused(), mDialog.NameField());
    // The whole name is selected, as the window shows it: drawn in reverse video.
    EXPECT_NE(AllLines(form).find("[\x1b[7mDear John,\x1b[0m"), std::string::npos) << AllLines(form);
    form.Press(Key(FormKeyKind::Tab));
    ASSERT_EQ(form.Focused(), mDialog.Combo());
    EXPECT_NE(AllLines(form).find("choices:"), std::string::npos);
    form.Press(Key(FormKeyKind::Down));
    EXPECT_EQ(mDialog.Submenu(), "/Stashwell/Work");
    form.Press(Key(FormKeyKind::Down));  // already the last choice
    EXPECT_EQ(mDialog.Submenu(), "/Stashwell/Work");
    form.Press(Key(FormKeyKind::Up));
    EXPECT_EQ(mDialog.Submenu(), "/Stashwell");
    // A picked choice is selected whole: typing replaces it.
    form.Press(Typed("/"));
    form.Press(Typed("\xC3\xA9"));  // é: one character of two bytes
    EXPECT_EQ(mDialog.Submenu(), "/\xC3\xA9");
    // The name field was never touched.
    EXPECT_EQ(mDialog.Name(), "Dear John,");
    // Tabbing into a field selects its whole text, so what is typed there replaces it.
    form.Press(Key(FormKeyKind::BackTab));
    form.Press(Key(FormKeyKind::Tab));
    form.Press(Typed("W"));
    EXPECT_EQ(mDialog.Submenu(), "W");
}

TEST_F(DialogFormTest, SpaceTogglesACheckBoxAndTheFocusSkipsWhatItsHandlerHid)
{
    DialogForm form(mDialog.Window());
    form.Press(Key(FormKeyKind::Tab));
    form.Press(Key(FormKeyKind::Tab));
    ASSERT_EQ(form.Focused(), mDialog.SecureBox());
    EXPECT_EQ(form.Press(Typed(" ")).kind, Kind::Changed);
    EXPECT_EQ(GetControlValue(mDialog.SecureBox()), 1);
    EXPECT_EQ(AllLines(form).find("Plain text only"), std::string::npos) << "hidden with Secure checked";
    form.Press(Key(FormKeyKind::Down));
    PlatformUIControlInfo info{};
    ASSERT_TRUE(PlatformUIGetControlInfo(form.Focused(), &info));
    EXPECT_EQ(info.kind, kPlatformControlPushButton) << "from Secure straight to the buttons";

    form.Press(Key(FormKeyKind::Up));
    form.Press(Typed(" "));
    EXPECT_EQ(GetControlValue(mDialog.SecureBox()), 0);
    EXPECT_NE(AllLines(form).find("[ ] Plain text only"), std::string::npos);
    // Back-tab from the first field wraps to the last control: the OK button, drawn as default.
    DialogForm fresh(mDialog.Window());
    fresh.Press(Key(FormKeyKind::BackTab));
    ASSERT_TRUE(PlatformUIGetControlInfo(fresh.Focused(), &info));
    EXPECT_TRUE(info.isDefault);
    EXPECT_NE(AllLines(fresh).find("<< OK >>"), std::string::npos);
}

TEST_F(DialogFormTest, EnterPressesTheDefaultButtonAndEscapeTheCancelButton)
{
    DialogForm form(mDialog.Window());
    DialogForm::Outcome ok = form.Press(Key(FormKeyKind::Enter));
    EXPECT_EQ(ok.kind, Kind::Press);
    EXPECT_EQ(ok.ending, "ok");
    PlatformUIControlInfo info{};
    ASSERT_TRUE(PlatformUIGetControlInfo(ok.button, &info));
    EXPECT_TRUE(info.isDefault);

    for (FormKeyKind kind : {FormKeyKind::Escape, FormKeyKind::Interrupt}) {
        DialogForm::Outcome cancel = form.Press(Key(kind));
        EXPECT_EQ(cancel.kind, Kind::Press);
        EXPECT_EQ(cancel.ending, "cancel");
        ASSERT_TRUE(PlatformUIGetControlInfo(cancel.button, &info));
        EXPECT_EQ(info.command, static_cast<MenuCommand>(kHICommandCancel));
    }
    // The form only names the press; the window has not been touched.
    EXPECT_EQ(mDialog.Ending(), 0u);

    // Enter on a focused push button presses that button, not the default one.
    form.Press(Key(FormKeyKind::BackTab));
    form.Press(Key(FormKeyKind::BackTab));
    EXPECT_EQ(form.Press(Key(FormKeyKind::Enter)).ending, "cancel");
}

TEST(DialogFormWithoutCancel, EscapeClosesTheWindow)
{
    hosttest::NewClipTestWindow dialog(false);
    DialogForm form(dialog.Window());
    DialogForm::Outcome outcome = form.Press(FormKey{FormKeyKind::Escape, {}});
    EXPECT_EQ(outcome.kind, Kind::CloseBox);
    EXPECT_EQ(outcome.ending, "close");
}

}  // namespace
