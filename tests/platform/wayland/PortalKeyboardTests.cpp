#include "wayland/PortalKeyboard.h"

#include "support/SessionBus.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>

namespace {

using namespace platform::wayland;
using testsupport::ReadFile;
using Calls = std::vector<std::string>;

// The keyboard against the mock portal on a bus of the test's own, with a state folder of its own
// for the restore token. The mock writes down every call it takes.
class PortalKeyboardTest : public testing::Test {
protected:
    void StartPortal(const std::vector<std::string>& flags = {})
    {
        std::vector<std::string> command{"/usr/bin/python3", STASHWELL_SOURCE_DIR "/tests/support/MockPortal.py",
                                         mFolder.Child("calls")};
        command.insert(command.end(), flags.begin(), flags.end());
        mPortal = std::make_unique<testsupport::ChildProcess>(command);
        testsupport::AwaitFirstLine(*mPortal, "the mock portal");
    }
    Calls Received() const
    {
        Calls calls;
        std::istringstream lines(ReadFile(mFolder.Child("calls")));
        for (std::string line; std::getline(lines, line);)
            calls.push_back(line);
        return calls;
    }
    void TearDown() override { DisconnectPortalKeyboard(); }

    testsupport::ScopedTempDir mFolder;
    testsupport::ScopedVariable mState{"XDG_STATE_HOME", mFolder.Child("state")};
    testsupport::PrivateSessionBus mBus;
    std::unique_ptr<testsupport::ChildProcess> mPortal;
};

PlatformKeyboardEvent Key(CGKeyCode virtualKey, bool down)
{
    PlatformKeyboardEvent event{};
    event.kind = kPlatformKeyEvent;
    event.keyCode = virtualKey;
    event.keyDown = down;
    return event;
}

PlatformKeyboardEvent Combining(bool on)
{
    PlatformKeyboardEvent event{};
    event.kind = kPlatformStateCombiningChanged;
    event.stateCombining = on;
    return event;
}

TEST_F(PortalKeyboardTest, TypesControlVInAKeyboardSessionTheDesktopRemembers)
{
    StartPortal();
    auto connected = ConnectPortalKeyboard();
    ASSERT_TRUE(connected.Ok()) << connected.Reason();
    for (const PlatformKeyboardEvent& event :
         {Combining(false), Key(55, true), Key(9, true), Key(9, false), Key(55, false), Combining(true)})
        EXPECT_EQ(TypeThroughPortal(event), kCGErrorSuccess);
    EXPECT_EQ(TypeThroughPortal(Key(122, true)), kCGErrorIllegalArgument) << "a key the desktop is given no counterpart of";
    DisconnectPortalKeyboard();

    const std::string tokenFile = PortalRestoreTokenPath().value();
    EXPECT_EQ(ReadFile(tokenFile), "token-1");
    struct stat info {};
    ASSERT_EQ(::stat(tokenFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // The next session hands the token back, so the desktop need not ask again.
    connected = ConnectPortalKeyboard();
    ASSERT_TRUE(connected.Ok()) << connected.Reason();
    EXPECT_EQ(ReadFile(tokenFile), "token-2");
    EXPECT_EQ(Received(), (Calls{"CreateSession", "SelectDevices types=1 persist_mode=2 restore_token=",
                                 "Start parent_window=", "NotifyKeyboardKeysym 0xffe3 pressed",
                                 "NotifyKeyboardKeysym 0x76 pressed", "NotifyKeyboardKeysym 0x76 released",
                                 "NotifyKeyboardKeysym 0xffe3 released", "Close", "CreateSession",
                                 "SelectDevices types=1 persist_mode=2 restore_token=token-1",
                                 "Start parent_window="}));
}

TEST_F(PortalKeyboardTest, RefusedByTheUserTypesNothing)
{
    StartPortal({"--refuse-start"});
    auto refused = ConnectPortalKeyboard();
    EXPECT_EQ(refused.Status(), kPlatformNoDesktopErr);
    EXPECT_NE(refused.Reason().find("refused"), std::string::npos) << refused.Reason();
    EXPECT_EQ(TypeThroughPortal(Key(55, true)), kCGErrorSuccess);
    EXPECT_EQ(TypeThroughPortal(Key(9, true)), kCGErrorSuccess);
    EXPECT_EQ(Received(), (Calls{"CreateSession", "SelectDevices types=1 persist_mode=2 restore_token=",
                                 "Start parent_window=", "Close"}));
    EXPECT_EQ(ReadFile(PortalRestoreTokenPath().value()), "");
}

TEST_F(PortalKeyboardTest, NamesTheMissingPortalOrBus)
{
    auto noPortal = ConnectPortalKeyboard();
    EXPECT_EQ(noPortal.Status(), kPlatformNoDesktopErr);
    EXPECT_NE(noPortal.Reason().find("no desktop portal"), std::string::npos) << noPortal.Reason();
    testsupport::ScopedVariable noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + mFolder.Child("no-bus"));
    auto noBusRefused = ConnectPortalKeyboard();
    EXPECT_EQ(noBusRefused.Status(), kPlatformNoDesktopErr);
    EXPECT_NE(noBusRefused.Reason().find("no session bus"), std::string::npos) << noBusRefused.Reason();
}

}  // namespace
