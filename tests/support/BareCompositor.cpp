#include "support/BareCompositor.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-server-core.h>

#include <stdexcept>

namespace testsupport {

BareCompositor::BareCompositor(const std::string& socketPath) : mDisplay(wl_display_create())
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listening < 0 || ::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listening, 4) != 0 || wl_display_add_socket_fd(mDisplay, listening) != 0) {
        if (listening >= 0)
            ::close(listening);
        wl_display_destroy(mDisplay);
        throw std::runtime_error("the bare compositor cannot listen on " + socketPath);
    }
    // The display has taken the socket over.
    mServing = std::thread([this] {
        while (!mStop) {
            wl_event_loop_dispatch(wl_display_get_event_loop(mDisplay), 20);
            wl_display_flush_clients(mDisplay);
        }
    });
}

BareCompositor::~BareCompositor()
{
    mStop = true;
    mServing.join();
    wl_display_destroy(mDisplay);
}

}  // namespace testsupport
