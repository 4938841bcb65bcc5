// The scripted user of --dialog and --alert: reading the script, answering the new-clip dialog as
// the script says while reporting it as first shown, and answering alerts.
#include "ScriptedUIDriver.h"

#include "NewClipTestWindow.h"

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

TEST(ScriptedDialog, ScriptFillsTheDialogAndTheReportShowsItAsFirstShown)
{
    DialogAnswer answer;
    std::string error;
    ASSERT_TRUE(ParseDialogAnswer(R"({"name":"Greeting","submenu":"/Work","secure":true})", answer, error));
    hosttest::NewClipTestWindow dialog;
    ScriptedUIDriver driver({answer}, std::nullopt);
    EXPECT_EQ(dialog.Run(driver.Interface()), noErr);

    EXPECT_EQ(dialog.Ending(), static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(dialog.Name(), "Greeting");
    EXPECT_EQ(dialog.Submenu(), "/Work");
    EXPECT_EQ(GetControlValue(dialog.SecureBox()), 1);
    EXPECT_EQ(driver.DialogsJson().dump(),
              R"([{"window":"New Clip","name":"Dear John,","nameSelection":[0,32767],)"
              R"("submenuChoices":["/Stashwell","/Stashwell/Work"],"submenu":"/Stashwell","comboY":50,"secure":false,)"
              R"("plainText":false,"plainTextVisible":true,"button":"ok"}])");
}

TEST(ScriptedDialog, CancelCloseAndMissingAnswersEndTheDialogWithoutOK)
{
    DialogAnswer cancel;
    cancel.button = "cancel";
    cancel.name = "ignored";
    DialogAnswer close;
    close.button = "close";
    hosttest::NewClipTestWindow dialog;
    ScriptedUIDriver driver({cancel, close}, std::nullopt);
    // The last has no answer left: the platform cancels it.
    for (MenuCommand ending : {MenuCommand(kHICommandCancel), MenuCommand('clos'), MenuCommand(kHICommandCancel)}) {
        dialog.Run(driver.Interface());
        EXPECT_EQ(dialog.Ending(), ending);
    }
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
