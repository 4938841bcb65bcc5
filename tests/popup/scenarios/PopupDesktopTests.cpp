// stashwell-popup as a person uses it, on an X11 display of the test's own with no window manager:
// a GTK entry (zenity) has the focus, the popup opens its menu at the pointer, and xdotool presses
// the keys. Judged by what reached the entry and by the clips cmhost finds afterwards.
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/XvfbDisplay.h"

#include <QScopedPointer>

#include <xcb/xcb.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace {

using nlohmann::json;
using testsupport::ChildProcess;

const std::string kPopup = STASHWELL_BUILD_DIR "/stashwell-popup";
const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";
const char* const kEntryTitle = "Stashwell popup target";
// Far longer than any client needs on a loaded machine: only one that never does its part is
// given up on.
constexpr auto kPatience = std::chrono::seconds(60);
constexpr int kPatienceMilliseconds = 60000;

bool PastDeadline(std::chrono::steady_clock::time_point start)
{
    return std::chrono::steady_clock::now() - start > kPatience;
}

class PopupOnTheDesktop : public testing::Test {
protected:
    // The environment of every program on the display: GTK without an accessibility bus or a
    // Wayland compositor to look for.
    ChildProcess::Variables Environment() const
    {
        return {{"DISPLAY", mDisplay.Name()}, {"NO_AT_BRIDGE", "1"}, {"GDK_BACKEND", "x11"}};
    }

    // Runs an X client to its end; its output when it succeeded.
    std::string Client(const std::vector<std::string>& command)
    {
        ChildProcess client(command, Environment());
        const int status = client.Wait();
        EXPECT_EQ(status, 0) << command.at(0) << " " << command.at(1) << ": " << client.Err();
        return client.Out();
    }

    // What cmhost printed as JSON, run on the display; fails the test when it did not succeed.
    json Cmhost(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), kCmhost);
        const std::string out = Client(arguments);
        if (!json::accept(out)) {
            ADD_FAILURE() << "not JSON: " << out;
            return json::object();
        }
        return json::parse(out);
    }

    // Keeps text as a clip of that name, through cmhost.
    void AddClip(const std::string& name, const std::string& text)
    {
        const json answer = {{"name", name}};
        json report = Cmhost({"--text", text, "choose", "--path", "Stashwell/Add Selected Text...", "--dialog",
                              answer.dump(), "--json"});
        ASSERT_EQ(report["status"], 0) << report.dump();
    }

    // The keys from the closed menu to a clip of the Stashwell list, as the popup will show it now
    // (cmhost reads the same menu on the same desktop): Down onto "Stashwell", Right into it, which
    // highlights its first entry, and Down past each entry before the clip that takes the highlight
    // (lines, disabled items and alternates take none).
    std::vector<std::string> KeysTo(const std::string& clip)
    {
        std::vector<std::string> keys = {"xdotool", "key", "Down", "Right"};
        const json menu = Cmhost({"--desktop", "menu", "--json"});
        for (const json& item : menu["items"][0]["submenu"]) {
            if (item.value("name", "") == clip)
                return keys;
            if (!item.contains("modifiers") && (item.contains("submenu") || item.value("command", 0) != 0))
                keys.push_back("Down");
        }
        ADD_FAILURE() << clip << " is not in the Stashwell list";
        return keys;
    }

    // Opens a zenity entry and gives it the focus, as a click on it would without a window manager.
    std::unique_ptr<ChildProcess> FocusedEntry()
    {
        auto zenity = std::make_unique<ChildProcess>(
            std::vector<std::string>{"zenity", "--entry", "--title", kEntryTitle}, Environment());
        const std::string windows = Client({"xdotool", "search", "--sync", "--name", kEntryTitle});
        Client({"xdotool", "windowfocus", "--sync", windows.substr(0, windows.find('\n'))});
        return zenity;
    }

    // Return in the entry, which closes it: what it held.
    std::string EntryText(ChildProcess& zenity)
    {
        Client({"xdotool", "key", "Return"});
        if (!zenity.Ended(kPatienceMilliseconds)) {
            ADD_FAILURE() << "the entry did not close on Return";
            return "";
        }
        EXPECT_EQ(zenity.Wait(), 0) << zenity.Err();
        return zenity.Out();
    }

    // Starts the popup with the pointer at (100, 100) and returns once its menu is on the screen
    // and has the keyboard, so that the next keys reach it.
    std::unique_ptr<ChildProcess> OpenPopup()
    {
        auto popup = StartPopup();
        WaitFor(*popup, "the menu never took the keyboard", [this] { return KeyboardTaken(); });
        return popup;
    }

    std::unique_ptr<ChildProcess> StartPopup()
    {
        Client({"xdotool", "mousemove", "100", "100"});
        return std::make_unique<ChildProcess>(std::vector<std::string>{kPopup}, Environment());
    }

    // Polls until done() is true; fails the test when the popup ends first or patience runs out.
    template <class Done>
    void WaitFor(ChildProcess& popup, const char* failure, Done done)
    {
        const auto start = std::chrono::steady_clock::now();
        while (!done()) {
            if (popup.Ended() || PastDeadline(start)) {
                ADD_FAILURE() << failure << ": " << popup.Err();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    // Whether a client holds the keyboard: a grab of our own is refused then (and let go of at once
    // when it is not).
    bool KeyboardTaken() { return !KeyboardHold(mDisplay.Name()).Held(); }

    // A grab of the keyboard by a client of the test's, as a desktop holds it while the keys of a
    // shortcut are down; let go of when the object goes.
    class KeyboardHold {
    public:
        explicit KeyboardHold(const std::string& display) : mConnection(xcb_connect(display.c_str(), nullptr))
        {
            if (xcb_connection_has_error(mConnection) != 0)
                return;
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(mConnection)).data->root;
            QScopedPointer<xcb_grab_keyboard_reply_t, QScopedPointerPodDeleter> reply(xcb_grab_keyboard_reply(
                mConnection,
                xcb_grab_keyboard(mConnection, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                nullptr));
            mHeld = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        }
        ~KeyboardHold()
        {
            if (mHeld) {
                xcb_ungrab_keyboard(mConnection, XCB_CURRENT_TIME);
                QScopedPointer<xcb_get_input_focus_reply_t, QScopedPointerPodDeleter> sync(
                    xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
            }
            xcb_disconnect(mConnection);
        }
        KeyboardHold(const KeyboardHold&) = delete;
        KeyboardHold& operator=(const KeyboardHold&) = delete;
        bool Held() const { return mHeld; }

    private:
        xcb_connection_t* mConnection;
        bool mHeld = false;
    };

    // Runs the xdotool command, then waits for the popup's end: its exit status.
    int RunAndWait(ChildProcess& popup, const std::vector<std::string>& command)
    {
        Client(command);
        if (!popup.Ended(kPatienceMilliseconds)) {
            ADD_FAILURE() << "the popup is still open";
            return -1;
        }
        return popup.Wait();
    }

    // What the clips folder holds but its lock file.
    std::set<std::string> Packages() const
    {
        std::set<std::string> names = testsupport::EntryNames(mStorage.DataHome() + "/Stashwell");
        names.erase(".stashwell-lock");
        return names;
    }

    std::string Preferences() const
    {
        return testsupport::ReadFile(mStorage.ConfigHome() + "/preferences/org.stashwell.cmplugin.plist");
    }

    testsupport::ScopedStorageEnvironment mStorage;
    testsupport::XvfbDisplay mDisplay;
};

TEST_F(PopupOnTheDesktop, AClipPickedWithTheKeyboardIsPastedIntoTheWindowThatHadTheFocus)
{
    AddClip("Greeting", "Hello there");
    AddClip("Sign-off", "Kind regards, Ann & Bob");
    auto zenity = FocusedEntry();
    std::vector<std::string> keys = KeysTo("Sign-off");
    keys.push_back("Return");
    auto popup = OpenPopup();
    EXPECT_EQ(RunAndWait(*popup, keys), 0) << popup->Err();
    EXPECT_EQ(popup->Err(), "");
    EXPECT_EQ(EntryText(*zenity), "Kind regards, Ann & Bob\n");
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
        popup = StartPopup();
        WaitFor(*popup, "the menu never showed", [this] {
            return ChildProcess({"xdotool", "search", "--onlyvisible", "--classname", "stashwell-popup"}, Environment())
                       .Wait() == 0;
        });
    }
    WaitFor(*popup, "the menu never took the keyboard", [this] { return KeyboardTaken(); });
    EXPECT_EQ(RunAndWait(*popup, keys), 0) << popup->Err();
    EXPECT_EQ(EntryText(*zenity), "Hello there\n");
}

TEST_F(PopupOnTheDesktop, AltHeldAtThePickDeletesTheClipInstead)
{
    AddClip("Greeting", "Hello there");
    AddClip("Sign-off", "Kind regards");
    auto zenity = FocusedEntry();
    auto popup = OpenPopup();
    // Alt goes down once the clip is highlighted, so the item changes under the highlight.
    Client(KeysTo("Greeting"));
    Client({"xdotool", "keydown", "alt"});
    EXPECT_EQ(RunAndWait(*popup, {"xdotool", "key", "Return"}), 0) << popup->Err();
    Client({"xdotool", "keyup", "alt"});
    const std::string menu = Cmhost({"menu", "--json"}).dump();
    EXPECT_EQ(menu.find("\"Greeting\""), std::string::npos) << menu;
    EXPECT_NE(menu.find("\"Sign-off\""), std::string::npos) << menu;
    // Nothing was pasted.
    EXPECT_EQ(EntryText(*zenity), "\n");
}

TEST_F(PopupOnTheDesktop, EscapeOrAClickOutsideClosesTheMenuAndChangesNothing)
{
    AddClip("Greeting", "Hello there");
    const std::string preferences = Preferences();
    const std::set<std::string> packages = Packages();
    const std::vector<std::string> closings[] = {
        {"xdotool", "key", "Escape"},
        {"xdotool", "key", "Down", "Right", "Escape", "Escape"},
        {"xdotool", "mousemove", "600", "500", "click", "1"},
    };
    for (const std::vector<std::string>& closing : closings) {
        SCOPED_TRACE(closing.back());
        auto popup = OpenPopup();
        EXPECT_EQ(RunAndWait(*popup, closing), 0) << popup->Err();
        EXPECT_EQ(popup->Err(), "");
        EXPECT_EQ(Preferences(), preferences);
        EXPECT_EQ(Packages(), packages);
    }
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
