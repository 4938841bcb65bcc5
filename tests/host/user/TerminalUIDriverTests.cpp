// The terminal's user of dialogs and alerts, driven through a pseudo-terminal as a person at the
// keyboard would: the form filled, pressed and cancelled, a refused OK, the input ending, alerts,
// timers firing while the user thinks, and the terminal given back as it was.
#include "user/TerminalUIDriver.h"

#include "host/support/NewClipTestWindow.h"
#include "host/support/PtyUser.h"

#include "CFOwner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using cmhost::TerminalUIDriver;
using hosttest::kHangUp;
using hosttest::NewClipTestWindow;
using hosttest::PtyUser;

const std::string kDown = "\x1b[B";
const std::string kRight = "\x1b[C";
const std::string kEscape = "\x1b";

void ExpectTerminalGivenBack(const PtyUser& user, const std::string& screen)
{
    EXPECT_NE(user.LocalMode() & ECHO, 0u);
    EXPECT_NE(user.LocalMode() & ICANON, 0u);
    EXPECT_GT(screen.rfind("\x1b[?1049l"), screen.rfind("\x1b[?1049h")) << "the alternate screen was left";
}

TEST(TerminalDialog, NameTypedSubmenuPickedSecureCheckedAndOK)
{
    NewClipTestWindow dialog;
    // The last press ends the loop whatever happened, so a wrong key fails the test, never hangs it.
    PtyUser user({"Greeting", "\t", kDown, "\t", " ", "\r", kHangUp});
    TerminalUIDriver driver(user.TerminalFd());
    EXPECT_EQ(dialog.Run(driver.Interface()), noErr);

    EXPECT_EQ(dialog.Ending(), static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(dialog.Name(), "Greeting");
    EXPECT_EQ(dialog.Submenu(), "/Stashwell/Work");
    EXPECT_EQ(GetControlValue(dialog.SecureBox()), 1);
    ASSERT_EQ(driver.Dialogs().size(), 1u);
    // Reported as first shown (what a report holds is the clip scenarios' business), with the
    // button that ended it.
    EXPECT_EQ(driver.Dialogs()[0].name, "Dear John,");
    EXPECT_FALSE(driver.Dialogs()[0].secure);
    EXPECT_EQ(driver.Dialogs()[0].button, "ok");

    const std::string screen = user.Screen();
    EXPECT_NE(screen.find("New Clip"), std::string::npos);
    EXPECT_NE(screen.find("[x] Secure"), std::string::npos);
    ExpectTerminalGivenBack(user, screen);
}

TEST(TerminalDialog, EscapeAndTheEndOfInputCancelAfterEditing)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{kRight, "\x7f", "!", kEscape, kHangUp}, "Dear John!"},
        {{"abc", kHangUp}, "abc"},
    };
    for (const auto& [keys, name] : cases) {
        NewClipTestWindow dialog;
        PtyUser user(keys);
        TerminalUIDriver driver(user.TerminalFd());
        EXPECT_EQ(dialog.Run(driver.Interface()), noErr);
        EXPECT_EQ(dialog.Ending(), static_cast<MenuCommand>(kHICommandCancel));
        EXPECT_EQ(dialog.Name(), name);
        ASSERT_EQ(driver.Dialogs().size(), 1u);
        EXPECT_EQ(driver.Dialogs()[0].button, "cancel");
        // Hung up on while the form was shown: there is no terminal left to give back.
        if (keys.size() > 2)
            ExpectTerminalGivenBack(user, user.Screen());
    }
}

TEST(TerminalDialog, ARefusedOKLeavesTheFormOpenForMoreTyping)
{
    NewClipTestWindow dialog;
    dialog.RefuseOK(1);
    PtyUser user({"\r", "X", "\r", kHangUp});
    TerminalUIDriver driver(user.TerminalFd());
    dialog.Run(driver.Interface());
    EXPECT_EQ(dialog.OKCount(), 2);
    EXPECT_EQ(dialog.Ending(), static_cast<MenuCommand>(kHICommandOK));
    EXPECT_EQ(dialog.Name(), "X") << "the selection survived the refused press";
    ASSERT_EQ(driver.Dialogs().size(), 1u);
    EXPECT_EQ(driver.Dialogs()[0].button, "ok");
    ExpectTerminalGivenBack(user, user.Screen());
}

TEST(TerminalDialog, WithoutATerminalNobodyAnswersAndTheDialogIsCancelled)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    NewClipTestWindow dialog;
    {
        TerminalUIDriver driver(fds[0]);
        dialog.Run(driver.Interface());
        ASSERT_EQ(driver.Dialogs().size(), 1u);
        EXPECT_EQ(driver.Dialogs()[0].button, "cancel");
    }
    EXPECT_EQ(dialog.Ending(), static_cast<MenuCommand>(kHICommandCancel));
    close(fds[0]);
    close(fds[1]);
}

void CountFiring(CFRunLoopTimerRef, void* info)
{
    ++*static_cast<int*>(info);
}

TEST(TerminalDialog, TimersKeepFiringWhileTheUserThinks)
{
    NewClipTestWindow dialog;
    int firings = 0;
    CFRunLoopTimerContext context{0, &firings, nullptr, nullptr, nullptr};
    const platform::CFOwner<CFRunLoopTimerRef> timer = platform::AdoptCF(
        CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + 0.02, 0.02, 0, 0, CountFiring, &context));
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.Get(), kCFRunLoopCommonModes);
    PtyUser user({"\r", kHangUp});
    TerminalUIDriver driver(user.TerminalFd());
    dialog.Run(driver.Interface());
    CFRunLoopTimerInvalidate(timer.Get());
    EXPECT_EQ(dialog.Ending(), static_cast<MenuCommand>(kHICommandOK));
    // The user took the settling time (many of the timer's intervals) before pressing Enter; one
    // firing is asked for, not a count, so that a loaded machine cannot fail the test.
    EXPECT_GE(firings, 1);
}

// Enter presses the default button, arrows choose another, and Escape cancels only an alert with a
// Cancel button; in one without, the ended input leaves the alert unanswered: cancelled.
TEST(TerminalAlert, KeysChooseTheButton)
{
    struct Case {
        std::vector<std::string> keys;
        bool withCancel;
        OSStatus status;
        DialogItemIndex itemHit;
        const char* button;
    };
    const Case cases[] = {
        {{"\r", kHangUp}, true, noErr, kAlertStdAlertOKButton, "ok"},
        {{kRight, " ", kHangUp}, true, noErr, kAlertStdAlertCancelButton, "cancel"},
        {{kEscape, kHangUp}, true, noErr, kAlertStdAlertCancelButton, "cancel"},
        {{kEscape, kHangUp}, false, userCanceledErr, 0, ""},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(testing::PrintToString(each.keys));
        PtyUser user(each.keys);
        TerminalUIDriver driver(user.TerminalFd());
        DialogItemIndex itemHit = 0;
        PlatformUIDriver interface = driver.Interface();
        hitoolboxtest::ScopedUIDriver installed(interface);
        ASSERT_EQ(hosttest::RunReplaceAlert(&itemHit, each.withCancel), each.status);
        const size_t typed = user.StopTyping();
        ASSERT_EQ(driver.Alerts().size(), 1u);
        EXPECT_EQ(driver.Alerts()[0].message, "Replace the clip?");
        EXPECT_EQ(driver.Alerts()[0].button, each.button);
        const std::string screen = user.Screen();
        EXPECT_NE(screen.find("A clip of that name exists."), std::string::npos);
        if (each.withCancel) {
            EXPECT_NE(screen.find("Cancel"), std::string::npos);
        }
        if (each.status == noErr) {
            EXPECT_EQ(itemHit, each.itemHit);
            ExpectTerminalGivenBack(user, screen);
        } else {
            EXPECT_EQ(typed, 2u) << "the alert waited for the input to end";
        }
    }
}

}  // namespace
