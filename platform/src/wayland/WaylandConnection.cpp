#include "wayland/WaylandConnection.h"

#include <PlatformHost.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace platform::wayland {
namespace {

std::atomic<std::chrono::milliseconds> gRoundtripPatience{std::chrono::seconds(10)};

void OnSyncDone(void* data, wl_callback*, uint32_t)
{
    *static_cast<bool*>(data) = true;
}

const wl_callback_listener kSyncListener = {OnSyncDone};

Failure NoCompositor(std::string reason)
{
    return Failure{kPlatformNoDesktopErr, 0, std::move(reason)};
}

void OnGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version)
{
    static_cast<std::vector<Global>*>(data)->push_back(Global{interface, name, version});
}

void OnGlobalRemove(void* data, wl_registry*, uint32_t name)
{
    std::erase_if(*static_cast<std::vector<Global>*>(data), [name](const Global& global) { return global.name == name; });
}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

Result<std::unique_ptr<WaylandConnection>> WaylandConnection::Open(const char* display)
{
    const char* name = display != nullptr && display[0] != '\0' ? display : std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        return NoCompositor("no Wayland compositor: WAYLAND_DISPLAY is not set");
    }
    wl_display* connected = wl_display_connect(name);
    if (connected == nullptr) {
        return NoCompositor(std::string("cannot connect to the Wayland compositor \"") + name + "\"");
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(connected));
    connection->mRegistry = wl_display_get_registry(connected);
    wl_registry_add_listener(connection->mRegistry, &kRegistryListener, &connection->mGlobals);
    if (!connection->Roundtrip()) {
        return NoCompositor(std::string("the Wayland compositor \"") + name + "\" does not answer");
    }
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : mDisplay(display) {}

WaylandConnection::~WaylandConnection()
{
    if (mSeat != nullptr)
        wl_seat_destroy(mSeat);
    if (mRegistry != nullptr)
        wl_registry_destroy(mRegistry);
    wl_display_disconnect(mDisplay);
}

const Global* WaylandConnection::Find(const std::string& interface) const
{
    auto found = std::find_if(mGlobals.begin(), mGlobals.end(),
                              [&](const Global& global) { return global.interface == interface; });
    return found != mGlobals.end() ? &*found : nullptr;
}

void* WaylandConnection::Bind(const wl_interface* interface, uint32_t version)
{
    const Global* global = Find(interface->name);
    if (global == nullptr)
        return nullptr;
    return wl_registry_bind(mRegistry, global->name, interface, std::min(version, global->version));
}

wl_seat* WaylandConnection::Seat()
{
    if (mSeat == nullptr)
        mSeat = static_cast<wl_seat*>(Bind(&wl_seat_interface, 1));
    return mSeat;
}

bool WaylandConnection::Roundtrip()
{
    // wl_display_roundtrip would wait for ever on a compositor that stopped: the same sync, read
    // with a bound.
    bool done = false;
    wl_callback* sync = wl_display_sync(mDisplay);
    wl_callback_add_listener(sync, &kSyncListener, &done);
    const auto deadline = std::chrono::steady_clock::now() + gRoundtripPatience.load();
    bool failed = false;
    while (!done && !failed) {
        if (wl_display_prepare_read(mDisplay) != 0) {
            failed = wl_display_dispatch_pending(mDisplay) < 0;
            continue;
        }
        pollfd ready = {wl_display_get_fd(mDisplay), POLLIN, 0};
        if (wl_display_flush(mDisplay) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(mDisplay);
                failed = true;
                continue;
            }
            ready.events |= POLLOUT;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int polled = left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(left.count())) : 0;
        if (polled < 0 && errno == EINTR) {
            wl_display_cancel_read(mDisplay);
            continue;
        }
        if (polled <= 0 || (ready.revents & POLLIN) == 0) {
            wl_display_cancel_read(mDisplay);
            failed = polled <= 0 || (ready.revents & (POLLERR | POLLHUP)) != 0;
            continue;
        }
        failed = wl_display_read_events(mDisplay) < 0 || wl_display_dispatch_pending(mDisplay) < 0;
    }
    // Destroyed whatever happened, so that a late answer finds nothing to tell.
    wl_callback_destroy(sync);
    return done && !failed;
}

bool WaylandConnection::Healthy() const
{
    return wl_display_get_error(mDisplay) == 0;
}

void SetRoundtripPatienceForTesting(std::chrono::milliseconds patience)
{
    gRoundtripPatience = patience;
}

bool WaylandCompositorAnswers(const char* display)
{
    return WaylandConnection::Open(display).Ok();
}

}  // namespace platform::wayland
