// A pseudo-terminal for driving the host's terminal code, in the test process or in a child that
// has it as its controlling terminal: the code under test gets the terminal side, and a background
// thread plays the user on the other, typing each key press once the screen has settled (so the
// code has put the terminal in its mode before the keys arrive), and keeping everything written to
// the screen.
#pragma once

#include "ScopedFd.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <sys/types.h>
#include <string>
#include <thread>
#include <vector>

namespace hosttest {

// A key press that is not typed: the user's side of the terminal is closed instead, so the
// program's input ends.
inline const std::string kHangUp = "<HANG UP>";
// A key press that is not typed: the process given to SignalOnKey is sent SIGTERM instead.
inline const std::string kSendSigterm = "<SIGTERM>";

class PtyUser {
public:
    // No key is typed before the screen shows ready (or ten seconds have passed).
    explicit PtyUser(std::vector<std::string> keyPresses, std::string ready = "");
    ~PtyUser();
    PtyUser(const PtyUser&) = delete;
    PtyUser& operator=(const PtyUser&) = delete;

    // The terminal side, for the code under test (owned by this object).
    int TerminalFd() const { return mTerminal.Get(); }
    // Everything written to the terminal, once the output has settled.
    std::string Screen() const;
    // How many key presses have been typed.
    size_t Typed() const { return mTyped; }
    // Types nothing more (the screen is still kept) and answers how many key presses were typed:
    // called as soon as the code under test returns, so a key the user would type later, once the
    // screen has settled, is not counted as one the code read.
    size_t StopTyping();
    void SignalOnKey(pid_t process) { mSignalled = process; }
    // The terminal's local-mode flags now, or when it was hung up on.
    unsigned long LocalMode() const;

private:
    void Play();

    platform::ScopedFd mUserSide;
    platform::ScopedFd mTerminal;
    std::vector<std::string> mKeyPresses;
    std::string mReady;
    std::atomic<pid_t> mSignalled{0};
    mutable std::mutex mMutex;
    std::string mScreen;
    std::chrono::steady_clock::time_point mLastOutput = std::chrono::steady_clock::now();
    std::atomic<size_t> mTyped{0};
    std::atomic<bool> mStop{false};
    bool mTypingStopped = false;  // guarded by mMutex
    std::atomic<bool> mHungUp{false};
    std::atomic<unsigned long> mModeAtHangUp{0};
    std::thread mThread;
};

}  // namespace hosttest
