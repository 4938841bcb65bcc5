// The end of the toolkit, bounded. Qt 6.4's Wayland platform can hang as it is torn down: its event
// thread waits for a read that the main thread, already tearing down, never makes (seen about once in
// ten runs of a menu closed with Escape on sway). By then the popup has done all it had to, so a
// teardown that takes longer than its limit ends the process, with the status it already has.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace popup {

class TeardownLimit {
public:
    // Starts watching: unless this object goes away within limit, the process exits with
    // exitStatus (standard output and error flushed first).
    TeardownLimit(int exitStatus, std::chrono::milliseconds limit);
    ~TeardownLimit();
    TeardownLimit(const TeardownLimit&) = delete;
    TeardownLimit& operator=(const TeardownLimit&) = delete;

private:
    std::mutex mMutex;
    std::condition_variable mDoneChanged;
    bool mDone = false;
    std::thread mWatch;
};

}  // namespace popup
