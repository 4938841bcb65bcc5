#include "wayland/WaylandConnection.h"

#include <algorithm>
#include <cstdlib>

namespace platform::wayland {
namespace {

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

std::unique_ptr<WaylandConnection> WaylandConnection::Open(const char* display, std::string& error)
{
    const char* name = display != nullptr && display[0] != '\0' ? display : std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        error = "no Wayland compositor: WAYLAND_DISPLAY is not set";
        return nullptr;
    }
    wl_display* connected = wl_display_connect(name);
    if (connected == nullptr) {
        error = std::string("cannot connect to the Wayland compositor \"") + name + "\"";
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(connected));
    connection->mRegistry = wl_display_get_registry(connected);
    wl_registry_add_listener(connection->mRegistry, &kRegistryListener, &connection->mGlobals);
    if (!connection->Roundtrip()) {
        error = std::string("the Wayland compositor \"") + name + "\" does not answer";
        return nullptr;
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
    return wl_display_roundtrip(mDisplay) >= 0;
}

bool WaylandConnection::Healthy() const
{
    return wl_display_get_error(mDisplay) == 0;
}

bool WaylandCompositorAnswers(const char* display)
{
    std::string ignored;
    return WaylandConnection::Open(display, ignored) != nullptr;
}

}  // namespace platform::wayland
