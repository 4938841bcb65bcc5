// The modal dialog from an interface file, played by a scripted user: which events end its loop,
// what it leaves in `command`, and what a subclass can refuse or add.
#include "support/NibModalDialog.h"

#include "platform/hitoolbox/HIToolboxTestSupport.h"
#include "plugin/support/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

using dialogtest::ClickButton;
using dialogtest::FindControlByID;
using dialogtest::ScriptedUser;
using dialogtest::SendCommand;

// The interface file and window names the dialogs are made from.
struct Names {
    CFStringRef nib = CFSTR("Dialogs");
    CFStringRef window = CFSTR("New Clip");
};

class NibModalDialogTest : public testing::Test {
protected:
    hitoolboxtest::NibBundle mBundle{hitoolboxtest::InterfaceFile(hitoolboxtest::NewClipWindow())};
    Names mNames;
};

TEST_F(NibModalDialogTest, FileOrWindowMissingLeavesNoWindowAndRunReturnsAtOnce)
{
    ScriptedUser user;
    NibModalDialog noNibName(mBundle.get(), nullptr, mNames.window);
    NibModalDialog noWindowName(mBundle.get(), mNames.nib, nullptr);
    NibModalDialog noSuchWindow(mBundle.get(), mNames.nib, CFSTR("Old Clip"));
    NibModalDialog noSuchFile(mBundle.get(), CFSTR("Missing"), mNames.window);
    NibModalDialog noMainBundle(nullptr, mNames.nib, mNames.window);
    NibModalDialog unloaded;
    for (NibModalDialog* dialog : {&noNibName, &noWindowName, &noSuchWindow, &noSuchFile, &noMainBundle, &unloaded}) {
        EXPECT_EQ(dialog->window, nullptr);
        dialog->Run();
        EXPECT_EQ(dialog->command.commandID, 0u);
        EXPECT_FALSE(dialog->inModalLoop);
        EXPECT_EQ(dialog->GetControlByID({'Swdg', 3}), nullptr);
        EXPECT_EQ(dialog->HandleEvent(nullptr, nullptr), paramErr);
    }
    EXPECT_EQ(user.steps, 0u) << "nothing may be shown";
}

TEST_F(NibModalDialogTest, EachQuittingCommandEndsTheLoopAndStays)
{
    for (MenuCommand quitting : {kHICommandOK, kHICommandClose, kHICommandCancel, kHICommandQuit}) {
        ScriptedUser user;
        OSStatus answered = 1;
        user.act = [&](WindowRef window, UInt32) {
            answered = SendCommand(window, quitting);
            return true;
        };
        NibModalDialog dialog(mBundle.get(), mNames.nib, mNames.window);
        dialog.Run();
        EXPECT_EQ(answered, noErr);
        EXPECT_EQ(dialog.command.commandID, quitting);
        EXPECT_EQ(user.steps, 1u) << "the loop must end right after the command";
    }
}

TEST_F(NibModalDialogTest, CommandsThatDoNotQuitArePassedOnAndTheLoopGoesOn)
{
    ScriptedUser user;
    std::vector<OSStatus> answers;
    MenuCommand afterZero = 1;
    user.act = [&](WindowRef window, UInt32 step) {
        if (step == 0) {
            // A check box's own command, then a command record without an id.
            answers.push_back(PlatformUIClickControl(FindControlByID(window, 5)));
            answers.push_back(SendCommand(window, 0));
            return true;
        }
        afterZero = 0;
        answers.push_back(ClickButton(window, kHICommandOK));
        return false;
    };
    NibModalDialog dialog(mBundle.get(), mNames.nib, mNames.window);
    dialog.Run();
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0], eventNotHandledErr);
    EXPECT_EQ(answers[1], eventNotHandledErr);
    EXPECT_EQ(answers[2], noErr);
    EXPECT_EQ(afterZero, 0u) << "the loop must still run after both";
    EXPECT_EQ(dialog.command.commandID, static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(GetControlValue(dialog.GetControlByID({'Swdg', 5})), 1);
}

// Closed before any command, the null command is left; after a check box, its command.
TEST_F(NibModalDialogTest, CloseBoxEndsTheLoopAndKeepsTheLastCommand)
{
    for (MenuCommand last : {MenuCommand{0}, MenuCommand{'plai'}}) {
        ScriptedUser user;
        user.act = [&](WindowRef window, UInt32) {
            if (last != 0) {
                PlatformUIClickControl(FindControlByID(window, 6));
            }
            EXPECT_EQ(PlatformUIClickCloseBox(window), noErr);
            return true;
        };
        NibModalDialog dialog(mBundle.get(), mNames.nib, mNames.window);
        dialog.Run();
        EXPECT_EQ(user.steps, 1u);
        EXPECT_EQ(dialog.command.commandID, last);
        EXPECT_NE(dialog.window, nullptr);
    }
}

TEST_F(NibModalDialogTest, OtherEventsAreNotHandled)
{
    NibModalDialog dialog(mBundle.get(), mNames.nib, mNames.window);
    ASSERT_NE(dialog.window, nullptr);
    const std::pair<UInt32, UInt32> others[] = {
        {kEventClassCommand, 2}, {kEventClassWindow, 73}, {kEventClassWindow, kEventCommandProcess}, {'keyb', 1}};
    for (auto [eventClass, kind] : others) {
        EventRef event = nullptr;
        ASSERT_EQ(CreateEvent(nullptr, eventClass, kind, 0, kEventAttributeNone, &event), noErr);
        EXPECT_EQ(dialog.HandleEvent(nullptr, event), eventNotHandledErr);
        ReleaseEvent(event);
    }
    // A command event without a readable command record is passed on as well.
    EventRef bare = nullptr;
    ASSERT_EQ(CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, kEventAttributeNone, &bare), noErr);
    dialog.command.commandID = 'secu';
    EXPECT_EQ(dialog.HandleEvent(nullptr, bare), eventNotHandledErr);
    EXPECT_EQ(dialog.command.commandID, static_cast<MenuCommand>('secu'));
    ReleaseEvent(bare);

    EXPECT_EQ(NibModalDialog::DialogEventHandlerProc(nullptr, nullptr, nullptr), paramErr);
}

// A subclass that can refuse to be shown and counts the commands it is asked to process.
class CountingDialog : public NibModalDialog {
public:
    using NibModalDialog::NibModalDialog;
    Boolean Initialize() override { return accept; }
    OSStatus ProcessCommand() override
    {
        processed.push_back(command.commandID);
        return answer;
    }
    Boolean accept = true;
    OSStatus answer = noErr;
    std::vector<MenuCommand> processed;
};

TEST_F(NibModalDialogTest, InitializeRefusingShowsNothingAndInstallsNoHandler)
{
    ScriptedUser user;
    CountingDialog dialog(mBundle.get(), mNames.nib, mNames.window);
    dialog.accept = false;
    dialog.Run();
    EXPECT_EQ(user.steps, 0u);
    EXPECT_FALSE(IsWindowVisible(dialog.window));
    EXPECT_EQ(SendCommand(dialog.window, kHICommandOK), eventNotHandledErr) << "no handler on the window";
    EXPECT_TRUE(dialog.processed.empty());
    EXPECT_EQ(dialog.command.commandID, 0u);
}

TEST_F(NibModalDialogTest, ProcessCommandSeesEveryCommandAndAnswersTheOnesThatDoNotQuit)
{
    ScriptedUser user;
    std::vector<OSStatus> answers;
    CountingDialog dialog(mBundle.get(), mNames.nib, mNames.window);
    dialog.answer = 123;
    user.act = [&](WindowRef window, UInt32) {
        answers.push_back(PlatformUIClickControl(FindControlByID(window, 5)));
        answers.push_back(ClickButton(window, kHICommandCancel));
        return true;
    };
    dialog.Run();
    EXPECT_EQ(dialog.processed, (std::vector<MenuCommand>{'secu', kHICommandCancel}));
    EXPECT_EQ(answers, (std::vector<OSStatus>{123, noErr}));
    EXPECT_EQ(dialog.command.commandID, static_cast<MenuCommand>(kHICommandCancel));
}

TEST_F(NibModalDialogTest, RunningAgainProcessesEachCommandOnce)
{
    ScriptedUser user;
    CountingDialog dialog(mBundle.get(), mNames.nib, mNames.window);
    // As the base answers: the toolbox would go on to the next handler for the event.
    dialog.answer = eventNotHandledErr;
    user.act = [](WindowRef window, UInt32) {
        PlatformUIClickControl(FindControlByID(window, 5));
        ClickButton(window, kHICommandOK);
        return false;
    };
    dialog.Run();
    dialog.Run();
    EXPECT_EQ(dialog.processed, (std::vector<MenuCommand>{'secu', kHICommandOK, 'secu', kHICommandOK}));
    EXPECT_EQ(GetControlValue(dialog.GetControlByID({'Swdg', 5})), 0) << "ticked and unticked";
}

TEST_F(NibModalDialogTest, DisposingDuringTheLoopEndsIt)
{
    ScriptedUser user;
    NibModalDialog dialog(mBundle.get(), mNames.nib, mNames.window);
    user.act = [&](WindowRef window, UInt32) {
        EXPECT_TRUE(dialog.inModalLoop);
        dialog.DisposeDialog();
        return true;
    };
    dialog.Run();
    EXPECT_EQ(user.steps, 1u);
    EXPECT_EQ(dialog.window, nullptr);
    EXPECT_FALSE(dialog.inModalLoop);
    EXPECT_EQ(dialog.command.commandID, 0u);
}

}  // namespace
