// stashwell-popup as a person uses it on a Wayland compositor of the test's own (a headless sway):
// a GTK entry (zenity, a Wayland client) has the focus, the popup opens its menu in a window the
// compositor floats (at the pointer, by the rule the README gives for sway), and keys typed on the
// seat move in it and pick. Judged by what reached the entry and by the clips folder afterwards.
#include "popup/support/DesktopClips.h"
#include "support/HeadlessSway.h"
#include "support/WaylandEntry.h"
#include "wayland/WaylandKeyboard.h"

#include <ApplicationServices/ApplicationServices.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
using popuptest::Ending;
using popuptest::kPatienceMilliseconds;
using popuptest::WaitFor;
using testsupport::ChildProcess;

constexpr CGKeyCode kX = 7, kReturn = 36;

// The README's sway rule that opens the menu at the pointer: a program may not place its own
// windows on Wayland, the compositor may.
constexpr const char* kMenuAtThePointer = "for_window [app_id=\"^stashwell-popup$\" title=\"^Stashwell$\"] move position cursor\n";

void Type(CGKeyCode key, CGCharCode character = 0)
{
    EXPECT_EQ(CGPostKeyboardEvent(character, key, true), kCGErrorSuccess) << key;
    EXPECT_EQ(CGPostKeyboardEvent(character, key, false), kCGErrorSuccess) << key;
}

// Whether the window with the focus in the tree (a node of swaymsg's get_tree) has that value for
// the key ("name": its title, "app_id").
bool Focused(const json& node, const char* key, const std::string& value)
{
    if (node.value("focused", false) && node.value(key, "") == value)
        return true;
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const json& child : node.value(children, json::array())) {
            if (Focused(child, key, value))
                return true;
        }
    }
    return false;
}

// The rectangle of the window with that title in the tree, {x, y, width, height}; empty if none.
std::vector<int> WindowRect(const json& node, const std::string& title)
{
    if (node.value("name", "") == title && node.contains("rect")) {
        const json& rect = node["rect"];
        return {rect["x"].get<int>(), rect["y"].get<int>(), rect["width"].get<int>(), rect["height"].get<int>()};
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const json& child : node.value(children, json::array())) {
            if (auto rect = WindowRect(child, title); !rect.empty())
                return rect;
        }
    }
    return {};
}

class PopupOnWayland : public testing::Test {
protected:
    void SetUp() override
    {
        // A keyboard on the seat for the whole test, before any window opens: a headless seat has
        // none of its own, a window takes the keyboard only if the seat has one, and a menu whose
        // window loses the keyboard closes. It also types the keys that wtype does not bring to
        // every client (Return, the entry's Control-A).
        std::string error;
        ASSERT_EQ(platform::wayland::ConnectWaylandKeyboard(mSway.Socket().c_str(), error), noErr) << error;
    }
    void TearDown() override { platform::wayland::DisconnectWaylandKeyboard(); }


    // The popup, once its menu's window has the keyboard (so that the next keys reach it).
    std::unique_ptr<ChildProcess> OpenPopup()
    {
        auto popup = std::make_unique<ChildProcess>(std::vector<std::string>{popuptest::kPopup, "--desktop=wayland"},
                                                    mClips.Environment());
        WaitFor(*popup, "the menu took the keyboard", [this] { return HasFocus("name", "Stashwell"); });
        return popup;
    }

    bool HasFocus(const char* key, const std::string& value) const
    {
        const std::string tree = mSway.Tree();
        return json::accept(tree) && Focused(json::parse(tree), key, value);
    }

    // Presses the keys, by their names, on a keyboard of wtype's own.
    void Press(const std::vector<std::string>& keys)
    {
        std::vector<std::string> command = {"wtype"};
        for (const std::string& key : keys)
            command.insert(command.end(), {"-k", key});
        ChildProcess wtype(command, mClips.Environment());
        EXPECT_EQ(wtype.Wait(), 0) << wtype.Err();
    }


    testsupport::ScopedStorageEnvironment mStorage;
    testsupport::HeadlessSway mSway{{.config = kMenuAtThePointer}};
    popuptest::DesktopClips mClips{"--desktop=wayland",
                                   {{"WAYLAND_DISPLAY", mSway.Socket()}, {"GDK_BACKEND", "wayland"}, {"NO_AT_BRIDGE", "1"}}};
};

TEST_F(PopupOnWayland, AClipPickedWithTheKeyboardIsPastedIntoTheWindowThatHadTheFocus)
{
    mClips.Add("Greeting", "Hello there");
    mClips.Add("Sign-off", "Kind regards, Ann & Bob");
    const std::vector<std::string> keys = mClips.KeysTo("Sign-off");
    testsupport::WaylandEntry entry(mSway, mClips.Environment());
    mSway.Command("seat seat0 cursor set 300 200");
    auto popup = OpenPopup();
    const std::vector<int> menu = WindowRect(json::parse(mSway.Tree()), "Stashwell");
    ASSERT_EQ(menu.size(), 4u) << mSway.Tree();
    EXPECT_TRUE(menu[0] <= 300 && 300 < menu[0] + menu[2] && menu[1] <= 200 && 200 < menu[1] + menu[3])
        << "the menu is not at the pointer: " << menu[0] << "," << menu[1] << " " << menu[2] << "x" << menu[3];
    Press(keys);
    Type(kReturn);
    EXPECT_EQ(Ending(*popup), 0) << popup->Err();
    EXPECT_EQ(popup->Err(), "");
    // The compositor gives the focus back to the entry once the menu's window has gone.
    EXPECT_TRUE(entry.Holds("Kind regards, Ann & Bob")) << mSway.Tree();
}

// Also: the popup ends after Escape (Qt's Wayland teardown, which can hang, is bounded).
TEST_F(PopupOnWayland, EscapeClosesTheMenuAndChangesNothing)
{
    mClips.Add("Greeting", "Hello there");
    auto stored = [this] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(mStorage.DataHome())) {
            if (entry.is_regular_file())
                files[entry.path().string()] = testsupport::ReadFile(entry.path().string());
        }
        files["preferences"] = testsupport::ReadFile(mStorage.ConfigHome() + "/preferences/org.stashwell.cmplugin.plist");
        return files;
    };
    const auto before = stored();
    testsupport::WaylandEntry entry(mSway, mClips.Environment());
    for (const std::vector<std::string>& closing :
         {std::vector<std::string>{"Escape"}, std::vector<std::string>{"Down", "Right", "Escape", "Escape"}}) {
        SCOPED_TRACE(closing.size());
        auto popup = OpenPopup();
        Press(closing);
        EXPECT_EQ(Ending(*popup), 0) << popup->Err();
        EXPECT_EQ(popup->Err(), "");
        EXPECT_EQ(stored(), before);
    }
    // What the entry holds is only what is typed into it once the menus have gone.
    WaitFor(entry.Process(), "the entry got the focus back", [this] { return HasFocus("app_id", "zenity"); });
    Type(kX, 'x');
    EXPECT_TRUE(entry.Holds("x")) << "something was pasted";
}

}  // namespace
