// A pseudo-terminal inside the test process, for driving the host's terminal code directly: the
// code under test gets the terminal side, and a background thread plays the user on the other,
// typing each key press once the screen has settled (so the code has put the terminal in its
// mode before the keys arrive), and keeping everything written to the screen.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hosttest {

// A key press that is not typed: the user's side of the terminal is closed instead, so the
// program's input ends.
inline const std::string kHangUp = "<HANG UP>";

class PtyUser {
public:
    explicit PtyUser(std::vector<std::string> keyPresses);
    ~PtyUser();
    PtyUser(const PtyUser&) = delete;
    PtyUser& operator=(const PtyUser&) = delete;

    // The terminal side, for the code under test (owned by this object).
    int TerminalFd() const { return mTerminal; }
    // Everything written to the terminal, once the output has settled.
    std::string Screen() const;
    // How many key presses have been typed.
    size_t Typed() const { return mTyped; }
    // The terminal's local-mode flags now, or when it was hung up on.
    unsigned long LocalMode() const;

private:
    void Play();

    int mUserSide = -1;
    int mTerminal = -1;
    std::vector<std::string> mKeyPresses;
    mutable std::mutex mMutex;
    std::string mScreen;
    std::chrono::steady_clock::time_point mLastOutput = std::chrono::steady_clock::now();
    std::atomic<size_t> mTyped{0};
    std::atomic<bool> mStop{false};
    std::atomic<bool> mHungUp{false};
    std::atomic<unsigned long> mModeAtHangUp{0};
    std::thread mThread;
};

}  // namespace hosttest
