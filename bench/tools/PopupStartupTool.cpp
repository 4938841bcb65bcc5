// Times a program from its exec to the first window it maps on an X11 display: for stashwell-popup,
// the moment its menu is on the screen.
//
// usage: popup_startup_tool [--any-client] PROGRAM [ARGUMENT...]
//
// Runs on the display of DISPLAY, which should have no other client mapping windows. Prints the
// milliseconds from just before the fork to the MapNotify of the program's first window, then stops
// the program. Exits 1 when the program ends or 30 seconds pass without a window. --any-client
// waits on after the program ends, for a program that asks a server on the display to show a
// window (a menu client of a resident clipboard manager): the first window mapped by anyone then.
#include "desktop/DesktopConnection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::desktop::XcbOwned;

struct ConnectionDeleter {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

using Clock = std::chrono::steady_clock;

// The child, stopped and waited for when the tool is done with it.
class Child {
public:
    explicit Child(char** argv) : mPid(fork())
    {
        if (mPid == 0) {
            execvp(argv[0], argv);
            _exit(127);
        }
    }
    ~Child()
    {
        if (mPid <= 0)
            return;
        kill(mPid, SIGTERM);
        waitpid(mPid, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool Started() const { return mPid > 0; }
    bool Ended()
    {
        if (mPid <= 0)
            return true;
        if (waitpid(mPid, nullptr, WNOHANG) != mPid)
            return false;
        mPid = -1;
        return true;
    }

private:
    pid_t mPid;
};

}  // namespace

int main(int argc, char** argv)
{
    const bool anyClient = argc > 1 && std::strcmp(argv[1], "--any-client") == 0;
    if (anyClient) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: popup_startup_tool [--any-client] PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    std::unique_ptr<xcb_connection_t, ConnectionDeleter> connection(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) {
        std::fprintf(stderr, "popup_startup_tool: cannot open the display\n");
        return 1;
    }
    xcb_connection_t* c = connection.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    // The selection is in force before the child can map anything.
    XcbOwned<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    const Clock::time_point start = Clock::now();
    Child child(argv + 1);
    if (!child.Started()) {
        std::perror("popup_startup_tool: fork");
        return 1;
    }
    const Clock::time_point deadline = start + std::chrono::seconds(30);
    pollfd watched = {xcb_get_file_descriptor(c), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (XcbOwned<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                std::printf("%.2f\n", ms);
                return 0;
            }
        }
        if (xcb_connection_has_error(c) != 0 || (child.Ended() && !anyClient))
            break;
        poll(&watched, 1, 20);
    }
    std::fprintf(stderr, "popup_startup_tool: %s mapped no window\n", argv[1]);
    return 1;
}
