#include "desktop/DesktopConnection.h"

#include <PlatformHost.h>
#include <poll.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

namespace platform::desktop {
namespace {

// The identifiers that the open connections of this process hand out: the server gives each
// connection a range of its own, a base under a mask.
struct IdRange {
    const DesktopConnection* connection;
    std::string display;
    uint32_t base;
    uint32_t mask;
};

std::mutex gRangesMutex;
std::vector<IdRange> gRanges;

Failure NoDisplay(std::string reason)
{
    return Failure{kPlatformNoDesktopErr, 0, std::move(reason)};
}

}  // namespace

Result<std::unique_ptr<DesktopConnection>> DesktopConnection::Open(const char* display)
{
    const char* name = display != nullptr && display[0] != '\0' ? display : std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        return NoDisplay("no X11 display: DISPLAY is not set");
    }
    int screenNumber = 0;
    xcb_connection_t* connection = nullptr;
    // A server that is busy may turn a connection away for a moment (its queue of connections
    // waiting to be accepted is full): asked again, it answers. A display that is not there at all
    // is told after the last try.
    constexpr int kTries = 5;
    for (int attempt = 1;; ++attempt) {
        connection = xcb_connect(name, &screenNumber);
        const int failure = connection != nullptr ? xcb_connection_has_error(connection) : XCB_CONN_ERROR;
        if (failure == 0) {
            break;
        }
        if (connection != nullptr) {
            xcb_disconnect(connection);
        }
        if (failure != XCB_CONN_ERROR || attempt == kTries) {
            return NoDisplay(std::string("cannot open the X11 display \"") + name + "\"");
        }
        ::poll(nullptr, 0, 20 * attempt);
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return NoDisplay(std::string("the X11 display \"") + name + "\" has no such screen");
    }
    return std::unique_ptr<DesktopConnection>(new DesktopConnection(connection, screens.data->root, name));
}

DesktopConnection::DesktopConnection(xcb_connection_t* connection, xcb_window_t root, std::string display)
    : mConnection(connection), mDisplay(std::move(display)), mRoot(root)
{
    const xcb_setup_t* setup = xcb_get_setup(mConnection);
    std::lock_guard lock(gRangesMutex);
    gRanges.push_back(IdRange{this, mDisplay, setup->resource_id_base, setup->resource_id_mask});
}

DesktopConnection::~DesktopConnection()
{
    {
        std::lock_guard lock(gRangesMutex);
        std::erase_if(gRanges, [this](const IdRange& range) { return range.connection == this; });
    }
    xcb_disconnect(mConnection);
}

bool DesktopConnection::IsWindowOfThisProcess(xcb_window_t window) const
{
    std::lock_guard lock(gRangesMutex);
    for (const IdRange& range : gRanges) {
        if (range.display == mDisplay && (window & ~range.mask) == range.base) {
            return true;
        }
    }
    return false;
}

bool DesktopConnection::Healthy() const
{
    return xcb_connection_has_error(mConnection) == 0;
}

xcb_atom_t DesktopConnection::Atom(const std::string& name)
{
    return Atoms({name}).front();
}

std::vector<xcb_atom_t> DesktopConnection::Atoms(const std::vector<std::string>& names)
{
    // Every request first, then every reply: one round trip however many are asked.
    std::vector<xcb_atom_t> atoms(names.size(), XCB_ATOM_NONE);
    std::vector<std::pair<size_t, xcb_intern_atom_cookie_t>> asked;
    for (size_t i = 0; i < names.size(); ++i) {
        if (auto known = mAtoms.find(names[i]); known != mAtoms.end()) {
            atoms[i] = known->second;
        } else {
            asked.emplace_back(i, xcb_intern_atom(mConnection, 0, static_cast<uint16_t>(names[i].size()),
                                                  names[i].data()));
        }
    }
    for (const auto& [index, cookie] : asked) {
        XcbOwned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(mConnection, cookie, nullptr));
        if (reply) {
            atoms[index] = reply->atom;
            Remember(names[index], reply->atom);
        }
    }
    return atoms;
}

std::string DesktopConnection::AtomName(xcb_atom_t atom)
{
    return AtomNames({atom}).front();
}

std::vector<std::string> DesktopConnection::AtomNames(const std::vector<xcb_atom_t>& atoms)
{
    std::vector<std::string> names(atoms.size());
    std::vector<std::pair<size_t, xcb_get_atom_name_cookie_t>> asked;
    for (size_t i = 0; i < atoms.size(); ++i) {
        if (auto known = mAtomNames.find(atoms[i]); known != mAtomNames.end()) {
            names[i] = known->second;
        } else {
            asked.emplace_back(i, xcb_get_atom_name(mConnection, atoms[i]));
        }
    }
    for (const auto& [index, cookie] : asked) {
        XcbOwned<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(mConnection, cookie, nullptr));
        if (reply) {
            names[index].assign(xcb_get_atom_name_name(reply.get()),
                                static_cast<size_t>(xcb_get_atom_name_name_length(reply.get())));
            Remember(names[index], atoms[index]);
        }
    }
    return names;
}

void DesktopConnection::Remember(const std::string& name, xcb_atom_t atom)
{
    // An atom and its name never change while the display lives.
    if (atom == XCB_ATOM_NONE)
        return;
    mAtoms.emplace(name, atom);
    mAtomNames.emplace(atom, name);
}

xcb_window_t DesktopConnection::MakeHiddenWindow(uint32_t eventMask)
{
    xcb_window_t window = xcb_generate_id(mConnection);
    const uint32_t values[] = {eventMask};
    xcb_create_window(mConnection, XCB_COPY_FROM_PARENT, window, mRoot, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
    xcb_flush(mConnection);
    return window;
}

xcb_timestamp_t DesktopConnection::TimestampNow(xcb_window_t window,
                                                const std::function<void(const xcb_generic_event_t&)>& otherEvent)
{
    // Appending nothing to a property still changes it, and the change carries the server's time.
    xcb_atom_t property = Atom("STASHWELL_TIMESTAMP");
    xcb_change_property(mConnection, XCB_PROP_MODE_APPEND, window, property, XCB_ATOM_INTEGER, 32, 0, nullptr);
    xcb_flush(mConnection);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline && Healthy()) {
        XcbOwned<xcb_generic_event_t> event(xcb_poll_for_event(mConnection));
        if (!event) {
            pollfd waiting = {xcb_get_file_descriptor(mConnection), POLLIN, 0};
            ::poll(&waiting, 1, 50);
            continue;
        }
        if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
            auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
            if (notify->window == window && notify->atom == property) {
                return notify->time;
            }
        }
        if (otherEvent) {
            otherEvent(*event);
        }
    }
    return XCB_CURRENT_TIME;
}

}  // namespace platform::desktop
