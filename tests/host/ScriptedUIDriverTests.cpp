// The scripted user of --dialog and --alert: reading the script, answering the new-clip dialog as
// the script says while reporting it as first shown, and answering alerts.
#include "ScriptedUIDriver.h"

#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace hitoolboxtest;
using cmhost::DialogAnswer;
using cmhost::ParseDialogAnswer;
using cmhost::ScriptedUIDriver;

TEST(ScriptedDialogAnswer, FieldsAreReadAndAbsentOnesStayUnset)
{
    DialogAnswer answer;
    std::string error;
    ASSERT_TRUE(ParseDialogAnswer(R"({"name":"Greeting","submenu":"/Stashwell/Work","secure":true,)"
                                  R"("plainText":false,"button":"close"})",
                                  answer, error))
        << error;
    EXPECT_EQ(answer.name, "Greeting");
    EXPECT_EQ(answer.submenu, "/Stashwell/Work");
    EXPECT_EQ(answer.secure, true);
    EXPECT_EQ(answer.plainText, false);
    EXPECT_EQ(answer.button, "close");

    ASSERT_TRUE(ParseDialogAnswer("{}", answer, error));
    EXPECT_FALSE(answer.name.has_value());
    EXPECT_FALSE(answer.secure.has_value());
    EXPECT_EQ(answer.button, "ok");
}

TEST(ScriptedDialogAnswer, MalformedScriptsAreRefusedWithAReason)
{
    const std::pair<const char*, const char*> cases[] = {
        {"[1]", "not a JSON object"},       {"{\"name\":", "not a JSON object"},
        {"{\"name\":3}", "\"name\""},       {"{\"secure\":\"yes\"}", "\"secure\""},
        {"{\"button\":\"OK\"}", "button"},  {"{\"title\":\"x\"}", "unknown field \"title\""},
    };
    for (const auto& [text, reason] : cases) {
        DialogAnswer answer;
        std::string error;
        EXPECT_FALSE(ParseDialogAnswer(text, answer, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << ": " << error;
    }
}

// The new-clip dialog as the plug-in sets it up, with a handler that ends it on the ending
// commands and the close box.
class ScriptedDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        OSStatus status = 0;
        mWindow = WindowFromNib(mBundle, "New Clip", &status);
        ASSERT_EQ(status, noErr);
        SetTextOf(Control(mWindow, 3), "Dear John,");
        ControlEditTextSelectionRec all{0, 32767};
        SetControlData(Control(mWindow, 3), 0, kControlEditTextSelectionTag, sizeof all, &all);
        HideControl(Control(mWindow, 6));

        Owned<CFStringRef> root(MakeString("/Stashwell"));
        const void* items[] = {root.get()};
        Owned<CFArrayRef> list(CFArrayCreate(nullptr, items, 1, &kCFTypeArrayCallBacks));
        HIRect frame{{0, 0}, {226, 24}};
        HIViewRef combo = nullptr;
        ASSERT_EQ(HIComboBoxCreate(&frame, nullptr, nullptr, list, 11, &combo), noErr);
        HIViewSetVisible(combo, true);
        HIViewRef content = nullptr;
        HIViewFindByID(HIViewGetRoot(mWindow), kHIViewWindowContentID, &content);
        ASSERT_EQ(HIViewAddSubview(content, combo), noErr);
        HIViewPlaceInSuperviewAt(combo, 95, 50);
        SetTextOf(combo, "/Stashwell");
        mCombo = combo;

        const EventTypeSpec events[] = {{kEventClassCommand, kEventCommandProcess}, {kEventClassWindow, kEventWindowClose}};
        InstallEventHandler(GetWindowEventTarget(mWindow), Handle, 2, events, this, nullptr);
    }
    void TearDown() override
    {
        PlatformInstallUIDriver(nullptr);
        DisposeWindow(mWindow);
    }

    static OSStatus Handle(EventHandlerCallRef, EventRef event, void* userData)
    {
        auto* self = static_cast<ScriptedDialogTest*>(userData);
        if (GetEventClass(event) == kEventClassWindow) {
            self->mEnding = 'clos';
            QuitAppModalLoopForWindow(self->mWindow);
            return noErr;
        }
        HICommand command{};
        GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof command, nullptr, &command);
        if (command.commandID != kHICommandOK && command.commandID != kHICommandCancel)
            return eventNotHandledErr;
        self->mEnding = command.commandID;
        QuitAppModalLoopForWindow(self->mWindow);
        return noErr;
    }

    void Run(ScriptedUIDriver& driver)
    {
        PlatformUIDriver interface = driver.Interface();
        PlatformInstallUIDriver(&interface);
        EXPECT_EQ(RunAppModalLoopForWindow(mWindow), noErr);
    }

    NibBundle mBundle{InterfaceFile(NewClipWindow())};
    WindowRef mWindow = nullptr;
    HIViewRef mCombo = nullptr;
    MenuCommand mEnding = 0;
};

TEST_F(ScriptedDialogTest, ScriptFillsTheDialogAndTheReportShowsItAsFirstShown)
{
    DialogAnswer answer;
    std::string error;
    ASSERT_TRUE(ParseDialogAnswer(R"({"name":"Greeting","submenu":"/Work","secure":true})", answer, error));
    ScriptedUIDriver driver({answer}, std::nullopt);
    Run(driver);

    EXPECT_EQ(mEnding, static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(TextOf(Control(mWindow, 3)), "Greeting");
    EXPECT_EQ(TextOf(mCombo), "/Work");
    EXPECT_EQ(GetControlValue(Control(mWindow, 5)), 1);
    EXPECT_EQ(driver.DialogsJson().dump(),
              R"([{"window":"New Clip","name":"Dear John,","nameSelection":[0,32767],)"
              R"("submenuChoices":["/Stashwell"],"submenu":"/Stashwell","comboY":50,"secure":false,)"
              R"("plainText":false,"plainTextVisible":false,"button":"ok"}])");
}

TEST_F(ScriptedDialogTest, CancelCloseAndMissingAnswersEndTheDialogWithoutOK)
{
    DialogAnswer cancel;
    cancel.button = "cancel";
    cancel.name = "ignored";
    DialogAnswer close;
    close.button = "close";
    ScriptedUIDriver driver({cancel, close}, std::nullopt);
    Run(driver);
    EXPECT_EQ(mEnding, static_cast<MenuCommand>(kHICommandCancel));
    Run(driver);
    EXPECT_EQ(mEnding, static_cast<MenuCommand>('clos'));
    Run(driver);  // no answer left: the platform cancels it
    EXPECT_EQ(mEnding, static_cast<MenuCommand>(kHICommandCancel));
    ASSERT_EQ(driver.Dialogs().size(), 3u);
    EXPECT_EQ(driver.Dialogs()[1].name, "ignored");
    EXPECT_EQ(driver.Dialogs()[2].button, "cancel");
}

OSStatus RunAlert(ScriptedUIDriver& driver, DialogItemIndex* itemHit)
{
    PlatformUIDriver interface = driver.Interface();
    ScopedUIDriver installed(interface);
    Owned<CFStringRef> message(MakeString("An error occurred while saving the clip."));
    DialogRef alert = nullptr;
    EXPECT_EQ(CreateStandardAlert(kAlertStopAlert, message, nullptr, nullptr, &alert), noErr);
    return RunStandardAlert(alert, nullptr, itemHit);
}

TEST(ScriptedAlert, AnsweredOKOnlyWhenTheScriptSaysSo)
{
    DialogItemIndex itemHit = 0;
    ScriptedUIDriver ok({}, std::string("ok"));
    EXPECT_EQ(RunAlert(ok, &itemHit), noErr);
    EXPECT_EQ(itemHit, kAlertStdAlertOKButton);
    EXPECT_EQ(ok.AlertsJson().dump(), R"([{"message":"An error occurred while saving the clip.","button":"ok"}])");

    ScriptedUIDriver unanswered({}, std::nullopt);
    EXPECT_EQ(RunAlert(unanswered, &itemHit), userCanceledErr);
    ASSERT_EQ(unanswered.Alerts().size(), 1u);
    EXPECT_EQ(unanswered.Alerts()[0].button, "");
}

}  // namespace
