#include "host/support/PtyUser.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace hosttest {
namespace {

// The screen counts as settled after this long without output; a key is typed at the latest
// after the longer wait, in case the code writes nothing before it reads.
constexpr auto kSettled = std::chrono::milliseconds(150);
constexpr auto kLongestWait = std::chrono::milliseconds(1500);

}  // namespace

PtyUser::PtyUser(std::vector<std::string> keyPresses, std::string ready)
    : mKeyPresses(std::move(keyPresses)), mReady(std::move(ready))
{
    winsize size = {};
    size.ws_row = 24;
    size.ws_col = 80;
    int userSide = -1;
    int terminal = -1;
    if (openpty(&userSide, &terminal, nullptr, nullptr, &size) != 0)
        throw std::runtime_error("openpty failed");
    mUserSide = platform::ScopedFd(userSide);
    mTerminal = platform::ScopedFd(terminal);
    // A child given the terminal side keeps only the copies it makes of it.
    fcntl(userSide, F_SETFD, FD_CLOEXEC);
    fcntl(terminal, F_SETFD, FD_CLOEXEC);
    mThread = std::thread([this] { Play(); });
}

PtyUser::~PtyUser()
{
    mStop = true;
    mThread.join();
}

std::string PtyUser::Screen() const
{
    // What the code wrote last may still be on its way through the terminal.
    const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
    for (;;) {
        std::this_thread::sleep_for(kSettled);
        std::lock_guard<std::mutex> lock(mMutex);
        if (std::chrono::steady_clock::now() - mLastOutput >= kSettled ||
            std::chrono::steady_clock::now() > deadline)
            return mScreen;
    }
}

size_t PtyUser::StopTyping()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mTypingStopped = true;
    return mTyped;
}

unsigned long PtyUser::LocalMode() const
{
    if (mHungUp)
        return mModeAtHangUp;
    termios mode{};
    tcgetattr(mTerminal.Get(), &mode);
    return mode.c_lflag;
}

void PtyUser::Play()
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastOutput = Clock::now();
    Clock::time_point lastKey = Clock::now();
    const Clock::time_point start = Clock::now();
    bool outputSinceKey = false;
    bool ready = mReady.empty();
    while (!mStop) {
        if (mUserSide.IsValid()) {
            pollfd poller = {mUserSide.Get(), POLLIN, 0};
            if (poll(&poller, 1, 20) > 0 && (poller.revents & POLLIN) != 0) {
                char buffer[4096];
                ssize_t count = read(mUserSide.Get(), buffer, sizeof buffer);
                if (count > 0) {
                    std::lock_guard<std::mutex> lock(mMutex);
                    mScreen.append(buffer, static_cast<size_t>(count));
                    lastOutput = Clock::now();
                    mLastOutput = lastOutput;
                    outputSinceKey = true;
                }
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const size_t next = mTyped;
        if (next >= mKeyPresses.size() || !mUserSide.IsValid())
            continue;
        const Clock::time_point now = Clock::now();
        if (!ready) {
            std::lock_guard<std::mutex> lock(mMutex);
            ready = mScreen.find(mReady) != std::string::npos || now - start > std::chrono::seconds(10);
            if (!ready)
                continue;
        }
        const bool settled = outputSinceKey && now - lastOutput >= kSettled;
        if (!settled && now - lastKey < kLongestWait)
            continue;
        const std::string& key = mKeyPresses[next];
        // Checked and counted under the lock StopTyping takes, so a key is either counted and
        // typed or neither; counted before it reaches the code, which may answer at once.
        std::unique_lock<std::mutex> typing(mMutex);
        if (mTypingStopped)
            continue;
        mTyped = next + 1;
        if (key == kSendSigterm) {
            if (mSignalled > 0)
                kill(mSignalled, SIGTERM);
        } else if (key == kHangUp) {
            // A terminal hung up on has no mode left to read: the mode it had then is kept.
            termios mode{};
            tcgetattr(mTerminal.Get(), &mode);
            mModeAtHangUp = mode.c_lflag;
            mHungUp = true;
            mUserSide.Reset();
        } else if (write(mUserSide.Get(), key.data(), key.size()) < 0) {
            // The code has closed its side: nobody is left to read the rest.
            mTyped = mKeyPresses.size();
        }
        typing.unlock();
        lastKey = now;
        outputSinceKey = false;
    }
}

}  // namespace hosttest
