// `cmhost --desktop` on a Wayland compositor of the test's own (a headless sway): the selected text
// is its primary selection, the clipboard its own, and a paste is typed into a Wayland-native entry.
// Where the compositor lets no program at its clipboard or keyboard, as GNOME does, the clipboard goes
// through its XWayland and the user is told to press Control-V. Judged by programs we did not write:
// wl-copy, wl-paste, zenity on Wayland and xclip.
#include "host/support/CmhostRun.h"

#include "platform/desktop/DesktopClients.h"
#include "support/BareCompositor.h"
#include "support/ChildProcess.h"
#include "support/HeadlessSway.h"
#include "support/ScopedVariable.h"
#include "support/WaylandEntry.h"
#include "support/XvfbDisplay.h"
#include "wayland/WaylandKeyboard.h"

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace hosttest;

using testsupport::ChildProcess;
using testsupport::ScopedVariable;

// Waits until check holds; false when it did not within a limit that is there only so that a
// client that hangs cannot hang the suite.
bool Eventually(const std::function<bool()>& check)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!check()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

class WaylandSession : public CmhostTest {
protected:
    // What wl-paste reads of the clipboard (or the primary selection) now; "<nothing>" when it fails.
    static std::string Paste(const std::string& type, bool primary = false)
    {
        std::vector<std::string> command = {"wl-paste", "--no-newline", "--type", type};
        if (primary)
            command.push_back("--primary");
        ChildProcess paste(command, Clients());
        return paste.Wait() == 0 ? paste.Out() : "<nothing>";
    }

    // wl-copy serving the bytes under the type until it is stopped, once the compositor says so.
    static std::unique_ptr<ChildProcess> Copy(const std::string& type, const std::string& bytes, bool primary = false)
    {
        std::vector<std::string> command = {"wl-copy", "--foreground", "--type", type};
        if (primary)
            command.push_back("--primary");
        auto copy = std::make_unique<ChildProcess>(command, Clients(), bytes);
        EXPECT_TRUE(Eventually([&] { return copy->Ended() || Paste(type, primary) == bytes; })) << copy->Err();
        return copy;
    }

    static ChildProcess::Variables Clients() { return {{"GDK_BACKEND", "wayland"}, {"NO_AT_BRIDGE", "1"}}; }

    testsupport::HeadlessSway mSway;
    ScopedVariable mCompositor{"WAYLAND_DISPLAY", mSway.Socket()};
    ScopedVariable mNoDisplay{"DISPLAY", std::nullopt};
};

TEST_F(WaylandSession, TheSelectedTextAndEveryFormOfTheClipboardComeBackWhole)
{
    {
        auto selected = Copy("text/plain;charset=utf-8", "Kind regards, Ann", true);
        json report = Json({"--desktop", "choose", "--path", "Stashwell/Add Selected Text...", "--dialog", "{}", "--json"});
        EXPECT_EQ(report["desktop"], "wayland");
        ASSERT_EQ(report["dialogs"].size(), 1u) << report.dump();
        EXPECT_EQ(report["dialogs"][0]["name"], "Kind regards, Ann");
    }
    // Markup, a picture with every byte value in it, and a type nobody knows.
    std::string picture = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 256; ++i)
        picture += static_cast<char>(i);
    const std::vector<std::tuple<std::string, std::string, std::string>> forms = {
        {"text/html", "<p>Grüße <b>aus</b> Köln</p>", "Markup"},
        {"image/png", picture, "Picture"},
        {"application/x-stashwell-unknown", std::string("one\0two", 7), "Unknown"}};
    for (const auto& [type, bytes, name] : forms) {
        auto served = Copy(type, bytes);
        json report = Json({"--desktop", "choose", "--path", "Stashwell/Add Clipboard Content...", "--dialog",
                            json{{"name", name}}.dump(), "--json"});
        EXPECT_EQ(report["alerts"].size(), 0u) << report.dump();
    }
    // Another application takes the clipboard; each clip pasted replaces it, and stays on it after
    // cmhost has gone.
    auto other = Copy("text/plain", "something else");
    for (const auto& [type, bytes, name] : forms) {
        json report = Json({"--desktop", "choose", "--path", "Stashwell/" + name, "--json"});
        EXPECT_EQ(report["keystrokes"], kPasteKeystrokes) << report.dump();
        EXPECT_EQ(Paste(type), bytes) << name;
    }
}

TEST_F(WaylandSession, APasteLandsInTheFocusedWaylandEntry)
{
    Json({"--text", "Grüße aus Köln", "choose", "--path", "Stashwell/Add Selected Text...", "--dialog", "{}", "--json"});
    // The user's keyboard, on the seat before the entry opens and for the whole test; the test types
    // on it to judge the entry.
    auto connected = platform::wayland::ConnectWaylandKeyboard(mSway.Socket().c_str());
    ASSERT_TRUE(connected.Ok()) << connected.Reason();
    std::unique_ptr<void, void (*)(void*)> disconnect(this, [](void*) { platform::wayland::DisconnectWaylandKeyboard(); });
    testsupport::WaylandEntry entry(mSway, Clients());
    json report = Json({"--desktop", "choose", "--path", "Stashwell/Grüße aus Köln", "--json"});
    EXPECT_EQ(report["warnings"].size(), 0u) << report.dump();
    EXPECT_TRUE(entry.Holds("Grüße aus Köln"));
}

// GNOME keeps data-control and the virtual keyboard from its clients, and has no portal here: the
// clipboard is its XWayland's (a display of the test's own stands for it), and a paste leaves the
// clip there with a warning to press Control-V. Without an X11 display there is no clipboard at all.
class BareWaylandSession : public CmhostTest {};

TEST_F(BareWaylandSession, ACompositorThatLetsNoProgramAtItsClipboardOrKeyboardIsToldAndGoneAround)
{
    const std::string socket = mFolder.Child("wayland-bare");
    testsupport::BareCompositor compositor(socket);
    ScopedVariable compositorVariable("WAYLAND_DISPLAY", socket);
    ScopedVariable noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + mFolder.Child("no-bus"));
    Json({"--text", "Best wishes", "choose", "--path", "Stashwell/Add Selected Text...", "--dialog", "{}", "--json"});
    {
        ScopedVariable noDisplay("DISPLAY", std::nullopt);
        ProcessResult refused = Run({"--desktop", "menu"});
        EXPECT_EQ(refused.exitStatus, 1) << refused.err;
        EXPECT_TRUE(Contains(refused.err, "no data-control")) << refused.err;
    }
    testsupport::XvfbDisplay xwayland;
    ScopedVariable display("DISPLAY", xwayland.Name());
    json report = Json({"--desktop", "choose", "--path", "Stashwell/Best wishes", "--json"});
    EXPECT_EQ(report["desktop"], "wayland");
    ASSERT_EQ(report["warnings"].size(), 1u) << report.dump();
    EXPECT_TRUE(Contains(report["warnings"][0].get<std::string>(), "press Control-V")) << report.dump();
    EXPECT_EQ(desktoptest::RunClient(xwayland.Name(), {"xclip", "-o", "-selection", "clipboard"}), "Best wishes");
}

}  // namespace
