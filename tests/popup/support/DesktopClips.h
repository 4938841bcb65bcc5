// What the popup's end-to-end tests share on every desktop: clips kept with cmhost on the test's
// desktop (as the popup's plug-in will find them), the keys from the closed menu to one of them, and
// waiting on the popup while it does what the test expects of it.
#pragma once

#include "support/ChildProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace popuptest {

inline const std::string kPopup = STASHWELL_BUILD_DIR "/stashwell-popup";
// Only so that a popup or client that never does what it should cannot hang the suite.
constexpr int kPatienceMilliseconds = 60000;

class DesktopClips {
public:
    // desktopOption is cmhost's option that puts it on the test's desktop; environment is a
    // client's environment there.
    DesktopClips(std::string desktopOption, testsupport::ChildProcess::Variables environment)
        : mDesktopOption(std::move(desktopOption)), mEnvironment(std::move(environment))
    {
    }

    const testsupport::ChildProcess::Variables& Environment() const { return mEnvironment; }

    // What cmhost printed as JSON, run on the desktop.
    nlohmann::json Cmhost(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), STASHWELL_BUILD_DIR "/cmhost");
        testsupport::ChildProcess cmhost(arguments, mEnvironment);
        EXPECT_EQ(cmhost.Wait(), 0) << cmhost.Err();
        const std::string out = cmhost.Out();
        return nlohmann::json::accept(out) ? nlohmann::json::parse(out) : nlohmann::json::object();
    }

    void Add(const std::string& name, const std::string& text) const
    {
        const nlohmann::json answer = {{"name", name}};
        const nlohmann::json report = Cmhost({"--text", text, "choose", "--path", "Stashwell/Add Selected Text...",
                                              "--dialog", answer.dump(), "--json"});
        EXPECT_EQ(report["alerts"], nlohmann::json::array()) << report.dump();
    }

    // The key names from the closed menu to a clip of the Stashwell list, as the popup will show it
    // now (cmhost reads the same menu on the same desktop): Down onto "Stashwell", Right into it,
    // which highlights its first entry, and Down past each entry before the clip that takes the
    // highlight (lines, disabled items and alternates take none).
    std::vector<std::string> KeysTo(const std::string& clip) const
    {
        std::vector<std::string> keys = {"Down", "Right"};
        const nlohmann::json menu = Cmhost({mDesktopOption, "menu", "--json"});
        for (const nlohmann::json& item : menu["items"][0]["submenu"]) {
            if (item.value("name", "") == clip)
                return keys;
            if (!item.contains("modifiers") && (item.contains("submenu") || item.value("command", 0) != 0))
                keys.push_back("Down");
        }
        ADD_FAILURE() << clip << " is not in " << menu.dump();
        return keys;
    }

private:
    std::string mDesktopOption;
    testsupport::ChildProcess::Variables mEnvironment;
};

// Waits until done() holds, checked every 50 ms; a failure naming what never happened, with what the
// program said, when the program ends first or the patience runs out.
template <class Done>
void WaitFor(testsupport::ChildProcess& program, const char* what, Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMilliseconds);
    while (!done()) {
        if (program.Ended() || std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "never: " << what << ": " << program.Err();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// The popup's exit status once it has ended; -1 when it is still running after the patience (it is
// stopped when its object goes).
inline int Ending(testsupport::ChildProcess& popup)
{
    if (!popup.Ended(kPatienceMilliseconds)) {
        ADD_FAILURE() << "the popup is still running";
        return -1;
    }
    return popup.Wait();
}

}  // namespace popuptest
