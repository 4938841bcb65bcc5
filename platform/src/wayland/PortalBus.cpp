#include "wayland/PortalBus.h"

#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::wayland {
namespace {

using BusSlot = BusOwner<sd_bus_slot, sd_bus_slot_unref>;

// How long a call may take to answer at all (the request object, not the user's decision).
constexpr uint64_t kCallLimitMicroseconds = 10'000'000;

// The Response awaited. The portal is known by its unique name once its reply to the call has
// named it: a Response from anyone else on the bus is not the portal's answer.
struct Pending {
    std::string portal;
    bool answered = false;
    PortalResponse response;
};

int AppendOptions(sd_bus_message* message, const std::vector<PortalOption>& options)
{
    int r = sd_bus_message_open_container(message, 'a', "{sv}");
    for (const PortalOption& option : options) {
        if (r >= 0)
            r = sd_bus_message_open_container(message, 'e', "sv");
        if (r >= 0)
            r = sd_bus_message_append(message, "s", option.key.c_str());
        if (r >= 0 && std::holds_alternative<uint32_t>(option.value))
            r = sd_bus_message_append(message, "v", "u", std::get<uint32_t>(option.value));
        else if (r >= 0)
            r = sd_bus_message_append(message, "v", "s", std::get<std::string>(option.value).c_str());
        if (r >= 0)
            r = sd_bus_message_close_container(message);
    }
    return r >= 0 ? sd_bus_message_close_container(message) : r;
}

int ReadResults(sd_bus_message* message, PortalResponse& response)
{
    int r = sd_bus_message_enter_container(message, 'a', "{sv}");
    while (r >= 0 && (r = sd_bus_message_enter_container(message, 'e', "sv")) > 0) {
        const char* key = nullptr;
        const char* contents = nullptr;
        r = sd_bus_message_read(message, "s", &key);
        if (r >= 0)
            r = sd_bus_message_peek_type(message, nullptr, &contents);
        if (r >= 0 && contents != nullptr && std::strcmp(contents, "u") == 0) {
            uint32_t number = 0;
            r = sd_bus_message_read(message, "v", "u", &number);
            if (r >= 0)
                response.numbers[key] = number;
        } else if (r >= 0 && contents != nullptr && std::strcmp(contents, "s") == 0) {
            const char* text = nullptr;
            r = sd_bus_message_read(message, "v", "s", &text);
            if (r >= 0)
                response.texts[key] = text;
        } else if (r >= 0) {
            r = sd_bus_message_skip(message, "v");
        }
        if (r >= 0)
            r = sd_bus_message_exit_container(message);
    }
    return r >= 0 ? sd_bus_message_exit_container(message) : r;
}

int OnResponse(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    auto* pending = static_cast<Pending*>(userdata);
    const char* sender = sd_bus_message_get_sender(message);
    if (pending->answered || sender == nullptr || pending->portal != sender)
        return 0;
    PortalResponse response;
    if (sd_bus_message_read(message, "u", &response.code) >= 0 && ReadResults(message, response) >= 0) {
        pending->response = std::move(response);
        pending->answered = true;
    }
    return 0;
}

// The request object the portal makes for a call of ours with this handle_token: our unique name
// without its ':' and with '_' for '.', as the portal documents it.
std::string RequestPath(const char* uniqueName, const std::string& token)
{
    std::string sender = uniqueName[0] == ':' ? uniqueName + 1 : uniqueName;
    for (char& c : sender) {
        if (c == '.')
            c = '_';
    }
    return std::string(PortalBus::kObject) + "/request/" + sender + "/" + token;
}

}  // namespace

// Every way the portal fails us means, to the caller, that the desktop cannot be driven through it.
Failure NoPortal(std::string reason)
{
    return Failure{kPlatformNoDesktopErr, 0, std::move(reason)};
}

std::string BusErrorReason(const char* what, const sd_bus_error* error, int result)
{
    if (error != nullptr && sd_bus_error_is_set(error)) {
        if (sd_bus_error_has_names(error, SD_BUS_ERROR_SERVICE_UNKNOWN, SD_BUS_ERROR_NAME_HAS_NO_OWNER))
            return std::string("no desktop portal (") + PortalBus::kService + ") on the session bus";
        return std::string(what) + ": " + (error->message != nullptr ? error->message : error->name);
    }
    return std::string(what) + ": " + std::strerror(result < 0 ? -result : result);
}

Result<std::unique_ptr<PortalBus>> PortalBus::Open()
{
    sd_bus* bus = nullptr;
    const int r = sd_bus_open_user(&bus);
    if (r < 0) {
        // sd-bus says "no medium" when neither variable names a bus.
        return NoPortal(std::string("no session bus to reach the desktop portal: ") +
                        (r == -ENOMEDIUM ? "neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR is set"
                                         : std::strerror(-r)));
    }
    sd_bus_set_method_call_timeout(bus, kCallLimitMicroseconds);
    return std::unique_ptr<PortalBus>(new PortalBus(bus));
}

PortalBus::~PortalBus() = default;

std::string PortalBus::NewToken()
{
    return "stashwell_" + std::to_string(::getpid()) + "_" + std::to_string(++mTokens);
}

Result<PortalResponse> PortalBus::Request(const char* interface, const char* method,
                                          const std::function<int(sd_bus_message*)>& addLeading,
                                          const std::vector<PortalOption>& options, std::chrono::seconds limit)
{
    const std::string what = std::string("the desktop portal's ") + method;
    const char* uniqueName = nullptr;
    int r = sd_bus_get_unique_name(Get(), &uniqueName);
    if (r < 0) {
        return NoPortal(BusErrorReason(what.c_str(), nullptr, r));
    }
    // The answer can come as soon as the call is made, even before its reply: the signal is
    // listened for first.
    const std::string token = NewToken();
    Pending pending;
    BusSlot slot;
    sd_bus_slot* made = nullptr;
    r = sd_bus_match_signal(Get(), &made, nullptr, RequestPath(uniqueName, token).c_str(),
                            "org.freedesktop.portal.Request", "Response", OnResponse, &pending);
    slot.reset(made);
    sd_bus_message* building = nullptr;
    if (r >= 0)
        r = sd_bus_message_new_method_call(Get(), &building, kService, kObject, interface, method);
    BusMessage call(building);
    if (r >= 0)
        r = addLeading(call.get());
    std::vector<PortalOption> withToken = options;
    withToken.push_back({"handle_token", token});
    if (r >= 0)
        r = AppendOptions(call.get(), withToken);
    BusError callError;
    sd_bus_message* answered = nullptr;
    if (r >= 0)
        r = sd_bus_call(Get(), call.get(), 0, &callError.error, &answered);
    BusMessage reply(answered);
    const char* handle = nullptr;
    if (r >= 0)
        r = sd_bus_message_read(reply.get(), "o", &handle);
    if (r < 0) {
        return NoPortal(BusErrorReason(what.c_str(), &callError.error, r));
    }
    pending.portal = sd_bus_message_get_sender(reply.get()) != nullptr ? sd_bus_message_get_sender(reply.get()) : "";
    // Portals older than the handle_token choose the request's path themselves.
    BusSlot olderSlot;
    if (RequestPath(uniqueName, token) != handle) {
        made = nullptr;
        sd_bus_match_signal(Get(), &made, nullptr, handle, "org.freedesktop.portal.Request", "Response", OnResponse,
                            &pending);
        olderSlot.reset(made);
    }

    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pending.answered) {
        r = sd_bus_process(Get(), nullptr);
        if (r > 0)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (r >= 0 && now >= deadline) {
            return NoPortal(what + ": no answer within " + std::to_string(limit.count()) + " s");
        }
        if (r >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
            r = sd_bus_wait(Get(), static_cast<uint64_t>(left.count()));
        }
        if (r < 0 && r != -EINTR) {
            return NoPortal(BusErrorReason(what.c_str(), nullptr, r));
        }
    }
    return std::move(pending.response);
}

}  // namespace platform::wayland
