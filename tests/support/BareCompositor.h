// A Wayland compositor of the test's own, in a thread of the test, that offers nothing beyond the
// core protocol: no seat, no data-control, no virtual keyboard, as a compositor that keeps all of
// them from its clients (GNOME keeps data-control and the virtual keyboard).
#pragma once

#include <atomic>
#include <string>
#include <thread>

struct wl_display;

namespace testsupport {

class BareCompositor {
public:
    // Listens on the socket path given (which must not exist yet).
    explicit BareCompositor(const std::string& socketPath);
    ~BareCompositor();
    BareCompositor(const BareCompositor&) = delete;
    BareCompositor& operator=(const BareCompositor&) = delete;

private:
    wl_display* mDisplay;
    std::atomic<bool> mStop{false};
    std::thread mServing;
};

}  // namespace testsupport
