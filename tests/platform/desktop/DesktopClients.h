// X clients we did not write (xclip, xdotool, zenity), run on the test's own display to serve a
// selection, to press keys and focus windows, and to show what reached an application.
#pragma once

#include "desktop/DesktopConnection.h"

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace desktoptest {

// Far longer than any client needs on a loaded machine: only a client that never does what it
// should is given up on.
constexpr auto kClientPatience = std::chrono::seconds(60);

// The environment of a client on the display: GTK's dialogs without an accessibility bus or a
// Wayland compositor to look for.
inline testsupport::ChildProcess::Variables ClientEnvironment(const std::string& display)
{
    return {{"DISPLAY", display}, {"NO_AT_BRIDGE", "1"}, {"GDK_BACKEND", "x11"}};
}

// Runs a client to its end; its standard output when it succeeds.
inline std::string RunClient(const std::string& display, const std::vector<std::string>& command,
                             const std::string& input = "")
{
    testsupport::ChildProcess client(command, ClientEnvironment(display), input);
    const int status = client.Wait();
    EXPECT_EQ(status, 0) << command.at(0) << " failed: " << client.Err();
    return status == 0 ? client.Out() : "";
}

// Starts xclip owning the selection ("primary" or "clipboard") with the bytes given, and returns
// once the display says so. It serves at most requests, then ends (0: for as long as it owns it).
inline std::unique_ptr<testsupport::ChildProcess> ServeSelection(const std::string& display,
                                                                 const std::string& selection,
                                                                 const std::string& bytes,
                                                                 const std::string& target = "",
                                                                 int requests = 0)
{
    std::vector<std::string> command = {"xclip", "-quiet", "-selection", selection};
    if (!target.empty())
        command.insert(command.end(), {"-target", target});
    if (requests > 0)
        command.insert(command.end(), {"-loops", std::to_string(requests)});
    auto opened = platform::desktop::DesktopConnection::Open(display.c_str());
    EXPECT_TRUE(opened.Ok()) << opened.Reason();
    if (!opened.Ok())
        return nullptr;
    auto connection = std::move(opened.Value());
    xcb_connection_t* c = connection->Get();
    const xcb_atom_t atom = connection->Atom(selection == "primary" ? "PRIMARY" : "CLIPBOARD");
    auto owner = [&] {
        platform::desktop::XcbOwned<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr));
        return reply ? reply->owner : static_cast<xcb_window_t>(XCB_NONE);
    };
    // An xclip stopped just before may not have let go yet: the new one is a different owner.
    const xcb_window_t before = owner();
    auto xclip = std::make_unique<testsupport::ChildProcess>(command, ClientEnvironment(display), bytes);
    const auto deadline = std::chrono::steady_clock::now() + kClientPatience;
    for (xcb_window_t now = owner(); now == XCB_NONE || now == before; now = owner()) {
        if (xclip->Ended() || std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "xclip never took the " << selection << " selection: " << xclip->Err();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return xclip;
}

// Starts the misbehaving owner of tests/support/HostileOwner.cpp on the selection ("CLIPBOARD" or
// "PRIMARY") in the mode ("mute", "listing", "answering") with count targets, and returns once it
// owns the selection.
inline std::unique_ptr<testsupport::ChildProcess> StartHostileOwner(const std::string& display,
                                                                    const std::string& selection,
                                                                    const std::string& mode, int count = 0)
{
    auto owner = std::make_unique<testsupport::ChildProcess>(
        std::vector<std::string>{TEST_HOSTILE_OWNER, display, selection, mode, std::to_string(count)},
        ClientEnvironment(display));
    const auto deadline = std::chrono::steady_clock::now() + kClientPatience;
    while (owner->Out() != "ready\n") {
        if (owner->Ended() || std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the hostile owner never took " << selection << ": " << owner->Err();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return owner;
}

}  // namespace desktoptest
