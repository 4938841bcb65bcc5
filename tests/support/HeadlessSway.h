// A Wayland compositor of the test's own: a headless sway, started when the object is made and
// stopped when it goes away, as XvfbDisplay is for X11. It offers what the desktop needs of a
// wlroots compositor: data-control (with the primary selection), the virtual keyboard and
// layer-shell. sway refuses to run as root, so a root test runs it as nobody, in a runtime folder
// that user owns; the test's own clients, as root, connect to its socket.
#pragma once

#include "support/TempDir.h"

#include <sys/types.h>

#include <string>

namespace testsupport {

class HeadlessSway {
public:
    struct Options {
        // Also an X server beside it (XWayland), whose display XDisplay() names.
        bool xwayland = false;
        // Lines added to the compositor's configuration, as a user's own would be.
        std::string config;
    };
    // Throws std::runtime_error, with what sway said, when the compositor cannot start.
    HeadlessSway() : HeadlessSway(Options{}) {}
    explicit HeadlessSway(const Options& options);
    ~HeadlessSway();
    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    // The compositor's socket, as WAYLAND_DISPLAY takes it: an absolute path.
    const std::string& Socket() const { return mSocket; }
    // XWayland's display (":N"); "" without XWayland.
    const std::string& XDisplay() const { return mXDisplay; }
    // Runs one sway command (swaymsg's syntax) in the compositor; what it answered.
    std::string Command(const std::string& command) const;
    // The compositor's windows as swaymsg -t get_tree answers them (JSON).
    std::string Tree() const;
    // What sway printed so far, for a failing test's message.
    std::string Log() const;

private:
    ScopedTempDir mFolder;
    pid_t mPid = -1;
    std::string mSocket;
    std::string mXDisplay;
};

}  // namespace testsupport
