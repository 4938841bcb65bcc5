// A connection to the Wayland compositor the platform works on when the host runs on a Wayland
// desktop, the globals it offers, and owners for what the client library hands out. Each part of
// the platform that talks to the compositor (the clipboard, the keyboard, the selected text) has a
// connection of its own, as on X11, so that none of them dispatches another's events.
#pragma once

#include "base/Result.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::wayland {

// A protocol object of ours, destroyed with the destructor request its interface names (Destroy
// is given as the generated function, e.g. zwlr_data_control_offer_v1_destroy).
template <class T, void (*Destroy)(T*)>
struct ProxyDeleter {
    void operator()(T* proxy) const
    {
        if (proxy != nullptr)
            Destroy(proxy);
    }
};
template <class T, void (*Destroy)(T*)>
using ProxyOwner = std::unique_ptr<T, ProxyDeleter<T, Destroy>>;

// A global the compositor offers: its interface's name, the name to bind it by, its version.
struct Global {
    std::string interface;
    uint32_t name = 0;
    uint32_t version = 0;
};

class WaylandConnection {
public:
    // Connects to the compositor named (NULL or "": $WAYLAND_DISPLAY; a name or an absolute path)
    // and learns its globals. Fails with kPlatformNoDesktopErr when there is none or it does not
    // answer.
    static Result<std::unique_ptr<WaylandConnection>> Open(const char* display);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* Get() const { return mDisplay; }
    // The global of that interface, the first offered; nullptr when the compositor has none.
    const Global* Find(const std::string& interface) const;
    // Binds the global of that interface at min(version, offered), as the wl_interface given
    // (which must be of that name); nullptr when the compositor offers none.
    void* Bind(const wl_interface* interface, uint32_t version);
    // The first seat, bound once; nullptr when the compositor has none.
    wl_seat* Seat();
    // Sends what is queued and waits until the compositor has handled it and every event it sent
    // back has been dispatched. false when the connection has failed, or when the compositor has
    // not answered within the round trip's patience (10 s): a compositor that stopped holds nobody.
    bool Roundtrip();
    // Whether the connection is still usable (the compositor may have gone or refused a request).
    bool Healthy() const;

private:
    explicit WaylandConnection(wl_display* display);

    wl_display* mDisplay;
    wl_registry* mRegistry = nullptr;
    wl_seat* mSeat = nullptr;
    std::vector<Global> mGlobals;
};

// The compositor named, as Open takes it, is there and answers.
bool WaylandCompositorAnswers(const char* display);

// How long a round trip may wait for the compositor (10 s unless a test shortens it).
void SetRoundtripPatienceForTesting(std::chrono::milliseconds patience);

}  // namespace platform::wayland
