// A connection to the user's session bus for talking to the desktop portal
// (org.freedesktop.portal.Desktop), through sd-bus. A portal call that needs the user or the
// desktop to decide answers at once with a request object and gives its result later as that
// request's Response signal; Request makes such a call and waits, for a bounded time, for the
// answer. Used from one thread at a time (the keyboard holds it under its own lock).
#pragma once

#include "base/Result.h"

#include <MacTypes.h>

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace platform::wayland {

// Owners of what sd-bus hands out, released with the function that goes with each.
template <class T, T* (*Unref)(T*)>
struct BusDeleter {
    void operator()(T* object) const
    {
        if (object != nullptr)
            Unref(object);
    }
};
template <class T, T* (*Unref)(T*)>
using BusOwner = std::unique_ptr<T, BusDeleter<T, Unref>>;
using BusMessage = BusOwner<sd_bus_message, sd_bus_message_unref>;
// The error a call answered with, freed when it goes.
struct BusError {
    sd_bus_error error{};
    BusError() = default;
    ~BusError() { sd_bus_error_free(&error); }
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
};

// One entry of the options (a{sv}) a portal call takes: a number (u) or a text (s).
struct PortalOption {
    std::string key;
    std::variant<uint32_t, std::string> value;
};

// What a request's Response carried: its code (0 granted, 1 refused by the user, 2 ended otherwise)
// and the numbers and texts among its results; other kinds of result are passed over.
struct PortalResponse {
    uint32_t code = 2;
    std::map<std::string, uint32_t> numbers;
    std::map<std::string, std::string> texts;
};

class PortalBus {
public:
    static constexpr const char* kService = "org.freedesktop.portal.Desktop";
    static constexpr const char* kObject = "/org/freedesktop/portal/desktop";

    // Connects to the session bus ($DBUS_SESSION_BUS_ADDRESS, else the one in $XDG_RUNTIME_DIR).
    // A failure with a one-line reason when there is none.
    static Result<std::unique_ptr<PortalBus>> Open();
    ~PortalBus();
    PortalBus(const PortalBus&) = delete;
    PortalBus& operator=(const PortalBus&) = delete;

    // Calls method of interface on the portal: addLeading appends the arguments before the
    // options (0 or an sd-bus error), then the options go with a handle_token of our own. Waits at
    // most limit for the Response; the Response, or a failure with kPlatformNoDesktopErr and the
    // reason (no portal, a refused call, no answer in time, the bus gone).
    Result<PortalResponse> Request(const char* interface, const char* method,
                                   const std::function<int(sd_bus_message*)>& addLeading,
                                   const std::vector<PortalOption>& options, std::chrono::seconds limit);

    // A fresh token for an object path element (handle_token, session_handle_token).
    std::string NewToken();
    sd_bus* Get() const { return mBus.get(); }

private:
    explicit PortalBus(sd_bus* bus) : mBus(bus) {}

    BusOwner<sd_bus, sd_bus_flush_close_unref> mBus;
    unsigned mTokens = 0;
};

// The line for a failed call: what was asked, then what the portal or the bus said (error, when
// set), else the system's text for the negative errno value result.
std::string BusErrorReason(const char* what, const sd_bus_error* error, int result);

}  // namespace platform::wayland
