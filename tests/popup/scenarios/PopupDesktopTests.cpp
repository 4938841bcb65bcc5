// stashwell-popup as a person uses it, on an X11 display of the test's own with no window manager:
// a GTK entry (zenity) has the focus, the popup opens its menu at the pointer, and xdotool presses
// the keys. Judged by what reached the entry, by the clips cmhost finds afterwards and by what a mock
// notification service on the test's own session bus was told.
#include "platform/desktop/DesktopClients.h"
#include "popup/support/DesktopClips.h"
#include "support/SessionBus.h"
#include "support/XvfbDisplay.h"

#include <nlohmann/json.hpp>

namespace {

using desktoptest::RunClient;
using nlohmann::json;
using platform::desktop::DesktopConnection;
using platform::desktop::XcbOwned;
using popuptest::Ending;
using popuptest::kPatienceMilliseconds;
using popuptest::kPopup;
using popuptest::WaitFor;
using testsupport::ChildProcess;

const char* const kEntryTitle = "Stashwell popup target";

// A grab of the keyboard by a client of the test's, as a desktop holds it while the keys of a
// shortcut are down; let go of when the object goes. Refused while another client holds it.
class KeyboardHold {
public:
    explicit KeyboardHold(const std::string& display)
    {
        auto opened = DesktopConnection::Open(display.c_str());
        if (!opened.Ok())
            return;
        mConnection = std::move(opened.Value());
        xcb_connection_t* c = mConnection->Get();
        XcbOwned<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
            c, xcb_grab_keyboard(c, 0, mConnection->Root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr));
        mHeld = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }
    ~KeyboardHold()
    {
        if (!mHeld)
            return;
        xcb_connection_t* c = mConnection->Get();
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        XcbOwned<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    bool Held() const { return mHeld; }

private:
    std::unique_ptr<DesktopConnection> mConnection;
    bool mHeld = false;
};

class PopupOnTheDesktop : public testing::Test {
protected:
    std::string Client(const std::vector<std::string>& command) { return RunClient(mDisplay.Name(), command); }
    json Cmhost(std::vector<std::string> arguments) { return mClips.Cmhost(std::move(arguments)); }
    void AddClip(const std::string& name, const std::string& text) { mClips.Add(name, text); }

    // The xdotool command that presses the keys to a clip.
    std::vector<std::string> KeysTo(const std::string& clip)
    {
        std::vector<std::string> keys = {"xdotool", "key"};
        for (const std::string& key : mClips.KeysTo(clip))
            keys.push_back(key);
        return keys;
    }

    // A zenity entry with the focus, as a click on it would give it without a window manager.
    std::unique_ptr<ChildProcess> FocusedEntry()
    {
        auto zenity = std::make_unique<ChildProcess>(std::vector<std::string>{"zenity", "--entry", "--title", kEntryTitle},
                                                     desktoptest::ClientEnvironment(mDisplay.Name()));
        const std::string windows = Client({"xdotool", "search", "--sync", "--name", kEntryTitle});
        Client({"xdotool", "windowfocus", "--sync", windows.substr(0, windows.find('\n'))});
        return zenity;
    }

    // Return in the entry, which closes it: what it held.
    std::string EntryText(ChildProcess& zenity)
    {
        Client({"xdotool", "key", "Return"});
        EXPECT_TRUE(zenity.Ended(kPatienceMilliseconds)) << "the entry did not close on Return";
        return zenity.Wait() == 0 ? zenity.Out() : "(failed)";
    }

    // The popup with the pointer at (100, 100); with keyboard, once its menu has taken the keyboard
    // (so the next keys reach it).
    std::unique_ptr<ChildProcess> OpenPopup(bool keyboard = true)
    {
        Client({"xdotool", "mousemove", "100", "100"});
        auto popup = std::make_unique<ChildProcess>(std::vector<std::string>{kPopup},
                                                    desktoptest::ClientEnvironment(mDisplay.Name()));
        if (keyboard)
            WaitFor(*popup, "the menu took the keyboard", [this] { return !KeyboardHold(mDisplay.Name()).Held(); });
        return popup;
    }

    // A notification service on the test's bus from now on.
    void StartNotifications()
    {
        mNotifications = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/python3", STASHWELL_SOURCE_DIR "/tests/support/MockNotifications.py", mRecord.Child("notified")});
        testsupport::AwaitFirstLine(*mNotifications, "the mock notification service");
    }
    // What the service was told, a line "application<tab>summary" each.
    std::string Notified() const { return testsupport::ReadFile(mRecord.Child("notified")); }

    // Runs the xdotool command, then waits for the popup's end: its exit status.
    int RunAndWait(ChildProcess& popup, const std::vector<std::string>& command)
    {
        Client(command);
        return Ending(popup);
    }

    testsupport::ScopedStorageEnvironment mStorage;
    // Without a service on it unless the test starts one; never the session's own bus.
    testsupport::PrivateSessionBus mBus;
    testsupport::ScopedTempDir mRecord;
    std::unique_ptr<ChildProcess> mNotifications;
    testsupport::XvfbDisplay mDisplay;
    popuptest::DesktopClips mClips{"--desktop", desktoptest::ClientEnvironment(mDisplay.Name())};
};

// Found by words of its name typed in any order, the best match highlighted for Return.
TEST_F(PopupOnTheDesktop, AClipFoundByTypingIsPastedIntoTheWindowThatHadTheFocus)
{
    AddClip("Greeting", "Hello there");
    AddClip("Sign-off", "Kind regards, Ann & Bob");
    AddClip("Office hours", "9 to 5");
    StartNotifications();
    auto zenity = FocusedEntry();
    auto popup = OpenPopup();
    Client({"xdotool", "type", "off si"});
    EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Return"}), 0) << popup->Err();
    EXPECT_EQ(popup->Err(), "");
    EXPECT_EQ(EntryText(*zenity), "Kind regards, Ann & Bob\n");
    EXPECT_EQ(Notified(), "") << "a paste is seen, not told";
}

// The key binding that started the popup may hold the keyboard until its keys are let go of: the
// menu opens meanwhile, takes the keyboard once it is free, and the keys after that reach it.
TEST_F(PopupOnTheDesktop, TheMenuTakesTheKeyboardOnceTheShortcutLetsGoOfIt)
{
    AddClip("Greeting", "Hello there");
    auto zenity = FocusedEntry();
    std::vector<std::string> keys = KeysTo("Greeting");
    keys.push_back("Return");
    std::unique_ptr<ChildProcess> popup;
    {
        KeyboardHold shortcut(mDisplay.Name());
        ASSERT_TRUE(shortcut.Held());
        popup = OpenPopup(false);
        WaitFor(*popup, "the menu showed", [this] {
            return ChildProcess({"xdotool", "search", "--onlyvisible", "--classname", "stashwell-popup"},
                                desktoptest::ClientEnvironment(mDisplay.Name()))
                       .Wait() == 0;
        });
    }
    WaitFor(*popup, "the menu took the keyboard", [this] { return !KeyboardHold(mDisplay.Name()).Held(); });
    EXPECT_EQ(RunAndWait(*popup, keys), 0) << popup->Err();
    EXPECT_EQ(EntryText(*zenity), "Hello there\n");
}

// Told in a notification, since the menu that showed it has gone.
TEST_F(PopupOnTheDesktop, AltHeldAtThePickDeletesTheClipInsteadAndSaysSo)
{
    AddClip("Greeting", "Hello there");
    AddClip("Sign-off", "Kind regards");
    StartNotifications();
    auto zenity = FocusedEntry();
    auto popup = OpenPopup();
    // Alt goes down once the clip is found and highlighted, so the item changes under the highlight.
    Client({"xdotool", "type", "gre"});
    Client({"xdotool", "keydown", "alt"});
    EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Return"}), 0) << popup->Err();
    Client({"xdotool", "keyup", "alt"});
    const std::string menu = Cmhost({"menu", "--json"}).dump();
    EXPECT_EQ(menu.find("\"Greeting\""), std::string::npos) << menu;
    EXPECT_NE(menu.find("\"Sign-off\""), std::string::npos) << menu;
    EXPECT_EQ(EntryText(*zenity), "\n") << "nothing is pasted";
    EXPECT_EQ(Notified(), "Stashwell\tDeleted “Greeting”\n");
}

// Alt pressed or let go of with the pointer outside the menus changes the open lists in place, as
// with the pointer over them: the Stashwell list stays open, its highlighted clip the delete item
// while Alt is down and the clip again once it is up.
TEST_F(PopupOnTheDesktop, AltWithThePointerOutsideTheMenusChangesTheOpenListsInPlace)
{
    const struct {
        std::vector<std::string> alt;
        bool deleted;
    } cases[] = {
        {{"xdotool", "keydown", "alt", "keyup", "alt"}, false},
        {{"xdotool", "keydown", "alt"}, true},
    };
    AddClip("Greeting", "Hello there");
    for (const auto& each : cases) {
        SCOPED_TRACE(each.alt.size());
        auto zenity = FocusedEntry();
        auto popup = OpenPopup();
        Client(KeysTo("Greeting"));
        Client({"xdotool", "mousemove", "900", "700"});
        Client(each.alt);
        EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Return"}), 0) << popup->Err();
        Client({"xdotool", "keyup", "alt"});
        EXPECT_EQ(Cmhost({"menu", "--json"}).dump().find("\"Greeting\"") == std::string::npos, each.deleted);
        EXPECT_EQ(EntryText(*zenity), each.deleted ? "\n" : "Hello there\n");
    }
}

TEST_F(PopupOnTheDesktop, EscapeOrAClickOutsideClosesTheMenuAndChangesNothing)
{
    AddClip("Greeting", "Hello there");
    auto stored = [this] {
        return std::make_pair(testsupport::EntryNames(mStorage.DataHome() + "/Stashwell"),
                              testsupport::ReadFile(mStorage.ConfigHome() + "/preferences/org.stashwell.cmplugin.plist"));
    };
    const auto before = stored();
    const std::vector<std::string> closings[] = {
        {"xdotool", "key", "Escape"},
        {"xdotool", "key", "Down", "Right", "Escape", "Escape"},
        {"sh", "-c", "xdotool type gre && xdotool key Escape Escape"},
        {"xdotool", "mousemove", "600", "500", "click", "1"},
    };
    for (const std::vector<std::string>& closing : closings) {
        SCOPED_TRACE(closing.back());
        auto popup = OpenPopup();
        EXPECT_EQ(RunAndWait(*popup, closing), 0) << popup->Err();
        EXPECT_EQ(popup->Err(), "");
        EXPECT_EQ(stored(), before);
    }
}

// What the user must hear of although the menu went on (here, preferences that cannot be read) is
// told on standard error and on the desktop once the menu closes: in a notification where the
// desktop has a notification service, else in a notice the person closes.
TEST_F(PopupOnTheDesktop, WarningsAreToldInANotificationElseInANotice)
{
    const std::string preferences = mStorage.ConfigHome() + "/preferences";
    std::filesystem::create_directories(preferences);
    ASSERT_EQ(::mkfifo((preferences + "/org.stashwell.cmplugin.plist").c_str(), 0600), 0);
    const std::string warning = "stashwell-popup: warning: the preferences could not be read";
    auto popup = OpenPopup();
    Client({"xdotool", "key", "Escape"});
    std::string notice;
    WaitFor(*popup, "the menu showed a notice", [&] {
        testsupport::ChildProcess search({"xdotool", "search", "--onlyvisible", "--name", "^Stashwell$"},
                                         desktoptest::ClientEnvironment(mDisplay.Name()));
        notice = search.Wait() == 0 ? search.Out() : "";
        return !notice.empty();
    });
    EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Return"}), 0);
    EXPECT_NE(popup->Err().find(warning), std::string::npos) << popup->Err();

    StartNotifications();
    popup = OpenPopup();
    EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Escape"}), 0) << "a notice waited to be closed";
    EXPECT_NE(popup->Err().find(warning), std::string::npos) << popup->Err();
    EXPECT_NE(Notified().find("Stashwell\tThe preferences could not be read"), std::string::npos) << Notified();
}

// Text selected in another application becomes a secure clip through the New Clip window, the
// keychain made first in the popup's own password window.
TEST_F(PopupOnTheDesktop, ASecureClipIsKeptAndPastedWithoutATerminal)
{
    const testsupport::ScopedVariable noBus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    auto pick = [this](const std::string& item) {
        std::vector<std::string> keys = KeysTo(item);
        keys.push_back("Return");
        auto popup = OpenPopup();
        Client(keys);
        return popup;
    };
    auto waitForWindow = [this](ChildProcess& popup, const std::string& title) {
        WaitFor(popup, ("the menu showed " + title).c_str(), [&] {
            return ChildProcess({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"},
                                desktoptest::ClientEnvironment(mDisplay.Name()))
                       .Wait() == 0;
        });
    };

    auto popup = pick("Create New Keychain...");
    waitForWindow(*popup, "New Keychain");
    Client({"xdotool", "type", "--delay", "20", "correct horse"});
    Client({"xdotool", "key", "Tab"});
    Client({"xdotool", "type", "--delay", "20", "correct horse"});
    EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Return"}), 0) << popup->Err();
    EXPECT_EQ(popup->Err(), "");
    ASSERT_TRUE(Cmhost({"menu", "--json"}).dump().find("Lock Keychain") != std::string::npos)
        << "the keychain is made and unlocked";

    auto selection = desktoptest::ServeSelection(mDisplay.Name(), "primary", "PIN 4711");
    ASSERT_TRUE(selection);
    popup = pick("Add Selected Text...");
    waitForWindow(*popup, "New Clip");
    Client({"xdotool", "key", "ctrl+a"});
    Client({"xdotool", "type", "--delay", "20", "Bank PIN"});
    // Past the submenu field to the secure box, ticked.
    Client({"xdotool", "key", "Tab", "Tab", "space"});
    EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Return"}), 0) << popup->Err();
    EXPECT_EQ(testsupport::EntryNames(mStorage.DataHome() + "/Stashwell").count("Bank PIN"), 0u)
        << "a secure clip has no package";

    auto zenity = FocusedEntry();
    popup = pick("Bank PIN");
    EXPECT_TRUE(popup->Ended(kPatienceMilliseconds));
    EXPECT_EQ(popup->Wait(), 0) << popup->Err();
    EXPECT_EQ(EntryText(*zenity), "PIN 4711\n");
}

TEST(PopupProgram, WithoutADisplayItSaysSoInOneLineAndFails)
{
    // No DISPLAY, and a display nobody serves.
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"env", "-u", "DISPLAY", kPopup}, {"env", "DISPLAY=:97", kPopup}}) {
        SCOPED_TRACE(command[1]);
        ChildProcess popup(command);
        EXPECT_EQ(popup.Wait(), 1);
        const std::string err = popup.Err();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind("stashwell-popup: ", 0), 0u) << err;
        EXPECT_NE(err.find(command[1] == "-u" ? "DISPLAY" : ":97"), std::string::npos) << err;
    }
}

}  // namespace
