// Who the host's user is: the scripted driver when there are answers, the terminal when there is
// one, else nobody (dialogs and alerts still reported, and cancelled); the password file before
// the terminal; and everything removed again when the user goes away.
#include "user/HostUser.h"

#include "host/support/NewClipTestWindow.h"
#include "host/support/PtyUser.h"

#include "CFOwner.h"
#include "support/TempDir.h"

#include <Security/Security.h>

#include <gtest/gtest.h>

namespace {

using cmhost::HostUser;
using cmhost::HostUserChoice;
using cmhost::PasswordFileSource;
using hosttest::RunReplaceAlert;

// Creates a keychain with a prompt; answers the status.
OSStatus CreateKeychainWithPrompt(const std::string& path)
{
    PlatformSetKeychainCreationCostForTesting(1, 8192 * 1024);
    SecKeychainRef created = nullptr;
    OSStatus status = SecKeychainCreate(path.c_str(), 0, nullptr, true, nullptr, &created);
    const platform::CFOwner<SecKeychainRef> keychain = platform::AdoptCF(created);
    if (keychain)
        SecKeychainLock(keychain.Get());
    PlatformSetKeychainCreationCostForTesting(0, 0);
    return status;
}

// An alert answer makes the user scripted even at a terminal (password prompts still go there);
// without answers the terminal asks.
TEST(HostUser, AnswersMakeTheUserScriptedElseTheTerminalAsks)
{
    struct Case {
        std::optional<std::string> alertButton;
        std::vector<std::string> keyPresses;
        bool dialogsOnTerminal;
        DialogItemIndex itemHit;
        const char* button;
    };
    for (const Case& each : {Case{std::string("cancel"), {}, false, kAlertStdAlertCancelButton, "cancel"},
                             Case{std::nullopt, {"\r"}, true, kAlertStdAlertOKButton, "ok"}}) {
        hosttest::PtyUser terminal(each.keyPresses);
        HostUser user(HostUserChoice{{}, each.alertButton, std::nullopt, terminal.TerminalFd()});
        EXPECT_EQ(user.DialogsOnTerminal(), each.dialogsOnTerminal);
        EXPECT_TRUE(user.PasswordsOnTerminal());
        DialogItemIndex itemHit = 0;
        EXPECT_EQ(RunReplaceAlert(&itemHit), noErr);
        EXPECT_EQ(itemHit, each.itemHit);
        ASSERT_EQ(user.Alerts().size(), 1u);
        EXPECT_EQ(user.Alerts()[0].button, each.button);
    }
}

TEST(HostUser, WithoutATerminalEverythingIsReportedAndCancelled)
{
    testsupport::ScopedStorageEnvironment storage;
    {
        HostUser user(HostUserChoice{});
        EXPECT_FALSE(user.DialogsOnTerminal());
        EXPECT_FALSE(user.PasswordsOnTerminal());
        DialogItemIndex itemHit = 0;
        EXPECT_EQ(RunReplaceAlert(&itemHit), userCanceledErr);
        ASSERT_EQ(user.Alerts().size(), 1u);
        EXPECT_EQ(user.Alerts()[0].message, "Replace the clip?");
        EXPECT_EQ(user.Alerts()[0].button, "");
        EXPECT_EQ(CreateKeychainWithPrompt(storage.DataHome() + "/a.keychain"), errSecInteractionNotAllowed);
        EXPECT_EQ(user.PasswordPrompts(), 0);
    }
    // Gone with the user: the platform's own answers, with nobody recording them.
    DialogItemIndex itemHit = 0;
    EXPECT_EQ(RunReplaceAlert(&itemHit), userCanceledErr);
}

TEST(HostUser, ThePasswordFileComesBeforeTheTerminalAndCountsItsAnswers)
{
    testsupport::ScopedStorageEnvironment storage;
    testsupport::ScopedTempDir folder;
    testsupport::WriteFile(folder.Child("pw"), "pw\n");
    platform::Result<PasswordFileSource> file = PasswordFileSource::Load(folder.Child("pw"));
    ASSERT_TRUE(file.Ok()) << file.Reason();
    hosttest::PtyUser terminal({});
    {
        HostUser user(HostUserChoice{{}, std::nullopt, std::move(file.Value()), terminal.TerminalFd()});
        EXPECT_TRUE(user.PasswordsFromFile());
        EXPECT_FALSE(user.PasswordsOnTerminal());
        EXPECT_EQ(CreateKeychainWithPrompt(storage.DataHome() + "/a.keychain"), noErr);
        EXPECT_EQ(user.PasswordPrompts(), 1);
    }
    EXPECT_EQ(CreateKeychainWithPrompt(storage.DataHome() + "/b.keychain"), errSecInteractionNotAllowed)
        << "the source went with the user";
    EXPECT_EQ(terminal.Screen(), "") << "the terminal was never asked";
}

}  // namespace
