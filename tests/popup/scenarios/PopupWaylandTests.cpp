// stashwell-popup as a person uses it on a Wayland compositor of the test's own (a headless sway):
// a GTK entry (zenity, a Wayland client) has the focus, the popup opens its menu in a window the
// compositor floats (at the pointer, by the rule the README gives for sway), and keys typed on the
// seat move in it and pick. Judged by what reached the entry.
#include "popup/support/DesktopClips.h"
#include "support/HeadlessSway.h"
#include "support/WaylandEntry.h"
#include "wayland/WaylandKeyboard.h"

#include <ApplicationServices/ApplicationServices.h>

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using nlohmann::json;
using popuptest::Ending;
using popuptest::kPatienceMilliseconds;
using popuptest::WaitFor;
using testsupport::ChildProcess;

constexpr CGKeyCode kS = 1, kG = 5, kI = 34, kReturn = 36;

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

// The window with that title in the tree, as get_tree describes it; null if none. Its "rect" is
// where it is on the output, "window_rect" the size of what the client drew.
const json* TreeWindow(const json& node, const std::string& title)
{
    if (node.value("name", "") == title && node.contains("window_rect"))
        return &node;
    for (const char* children : {"nodes", "floating_nodes"}) {
        if (!node.contains(children))
            continue;
        for (const json& child : node[children]) {
            if (const json* window = TreeWindow(child, title))
                return window;
        }
    }
    return nullptr;
}

class PopupOnWayland : public testing::Test {
protected:
    void SetUp() override
    {
        // A keyboard on the seat for the whole test, before any window opens: a headless seat has
        // none of its own, a window takes the keyboard only if the seat has one, and a menu whose
        // window loses the keyboard closes. It also types the keys that wtype does not bring to
        // every client (Return, the entry's Control-A).
        auto connected = platform::wayland::ConnectWaylandKeyboard(mSway.Socket().c_str());
        ASSERT_TRUE(connected.Ok()) << connected.Reason();
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

    testsupport::ScopedStorageEnvironment mStorage;
    testsupport::HeadlessSway mSway{{.config = kMenuAtThePointer}};
    popuptest::DesktopClips mClips{"--desktop=wayland",
                                   {{"WAYLAND_DISPLAY", mSway.Socket()}, {"GDK_BACKEND", "wayland"}, {"NO_AT_BRIDGE", "1"}}};
};

// Found by typing: the menu's window, which the compositor sizes only as the popup asks, grows to
// show what was found.
TEST_F(PopupOnWayland, AClipFoundByTypingIsPastedIntoTheWindowThatHadTheFocus)
{
    mClips.Add("Greeting", "Hello there");
    mClips.Add("Sign-off", "Kind regards, Ann & Bob");
    testsupport::WaylandEntry entry(mSway, mClips.Environment());
    mSway.Command("seat seat0 cursor set 300 200");
    auto popup = OpenPopup();
    const json tree = json::parse(mSway.Tree());
    const json* menu = TreeWindow(tree, "Stashwell");
    ASSERT_NE(menu, nullptr) << tree.dump();
    const json& at = (*menu)["rect"];
    EXPECT_TRUE(at["x"] <= 300 && 300 < at["x"].get<int>() + at["width"].get<int>() && at["y"] <= 200 &&
                200 < at["y"].get<int>() + at["height"].get<int>())
        << "the menu is not at the pointer: " << at.dump();
    const int height = (*menu)["window_rect"]["height"];
    for (const auto& [key, character] : {std::pair<CGKeyCode, char>{kS, 's'}, {kI, 'i'}, {kG, 'g'}})
        Type(key, character);
    WaitFor(*popup, "the window grew to show what was found", [this, height] {
        const json now = json::parse(mSway.Tree());
        const json* grown = TreeWindow(now, "Stashwell");
        return grown != nullptr && (*grown)["window_rect"]["height"].get<int>() > height;
    });
    Type(kReturn);
    EXPECT_EQ(Ending(*popup), 0) << popup->Err();
    EXPECT_EQ(popup->Err(), "");
    // The compositor gives the focus back to the entry once the menu's window has gone.
    EXPECT_TRUE(entry.Holds("Kind regards, Ann & Bob")) << mSway.Tree();
}

}  // namespace
