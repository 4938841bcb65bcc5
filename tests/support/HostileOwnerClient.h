// The misbehaving selection owner of tests/support/HostileOwner.cpp, started on a test's display.
#pragma once

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace testsupport {

// Starts the owner of the selection ("CLIPBOARD" or "PRIMARY") in the mode ("mute", "listing",
// "answering") with count targets, and returns once it owns the selection.
inline std::unique_ptr<ChildProcess> StartHostileOwner(const std::string& display, const std::string& selection,
                                                       const std::string& mode, int count = 0)
{
    auto owner = std::make_unique<ChildProcess>(
        std::vector<std::string>{TEST_HOSTILE_OWNER, display, selection, mode, std::to_string(count)},
        ChildProcess::Variables{{"DISPLAY", display}});
    // Far longer than it takes: only an owner that never gets the selection is given up on.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (owner->Out() != "ready\n") {
        if (owner->Ended() || std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the hostile owner never took " << selection << ": " << owner->Err();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return owner;
}

}  // namespace testsupport
