#include "support/WaylandEntry.h"

#include <ApplicationServices/ApplicationServices.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace testsupport {
namespace {

// Only so that a client that hangs cannot hang the suite.
constexpr auto kPatience = std::chrono::seconds(30);
constexpr CGKeyCode kCommand = 55, kA = 0;

}  // namespace

WaylandEntry::WaylandEntry(const HeadlessSway& sway, const ChildProcess::Variables& environment)
    : mEnvironment(environment), mZenity({"zenity", "--entry"}, environment)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (sway.Command("[app_id=zenity] focus").find("true") == std::string::npos) {
        if (mZenity.Ended() || std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the entry never got the focus: " << mZenity.Err();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool WaylandEntry::Holds(const std::string& text)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        EXPECT_EQ(CGPostKeyboardEvent(0, kCommand, true), kCGErrorSuccess);
        EXPECT_EQ(CGPostKeyboardEvent('a', kA, true), kCGErrorSuccess);
        EXPECT_EQ(CGPostKeyboardEvent('a', kA, false), kCGErrorSuccess);
        EXPECT_EQ(CGPostKeyboardEvent(0, kCommand, false), kCGErrorSuccess);
        ChildProcess primary({"wl-paste", "--primary", "--no-newline"}, mEnvironment);
        if (primary.Wait() == 0 && primary.Out() == text)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace testsupport
