// A connection to the X11 display the platform works on when the host runs on the desktop, its
// atoms, and owners for what xcb hands out. Each part of the platform that talks to the display
// (the clipboard, the keyboard, the selected text) has a connection of its own, so that none of
// them ever takes another's events off the queue.
#pragma once

#include "base/FreeDeleter.h"
#include "base/Result.h"

#include <xcb/xcb.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::desktop {

// A reply or event from xcb, freed with free().
template <class T>
using XcbOwned = MallocOwned<T>;

class DesktopConnection {
public:
    // Connects to the display named (NULL or "": $DISPLAY). Fails with kPlatformNoDesktopErr when
    // there is no display or it refuses us.
    static Result<std::unique_ptr<DesktopConnection>> Open(const char* display);
    ~DesktopConnection();
    DesktopConnection(const DesktopConnection&) = delete;
    DesktopConnection& operator=(const DesktopConnection&) = delete;

    xcb_connection_t* Get() const { return mConnection; }
    xcb_window_t Root() const { return mRoot; }
    // The atom of that name, interned once per connection. XCB_ATOM_NONE when the server fails.
    xcb_atom_t Atom(const std::string& name);
    // The atoms of those names, those not known yet interned together in one round trip.
    std::vector<xcb_atom_t> Atoms(const std::vector<std::string>& names);
    // The name of an atom ("" when the server does not know it), asked of the server once.
    std::string AtomName(xcb_atom_t atom);
    // The names of those atoms, those not known yet asked together in one round trip.
    std::vector<std::string> AtomNames(const std::vector<xcb_atom_t>& atoms);
    // A window of ours that nobody sees, for conversions and for reading properties.
    xcb_window_t MakeHiddenWindow(uint32_t eventMask);
    // A server timestamp for now, taken from a property change on the window (which must have
    // been made with XCB_EVENT_MASK_PROPERTY_CHANGE). XCB_CURRENT_TIME when none arrives. Other
    // events that arrive meanwhile are handed to otherEvent, or dropped without one.
    xcb_timestamp_t TimestampNow(xcb_window_t window,
                                 const std::function<void(const xcb_generic_event_t&)>& otherEvent = nullptr);
    // Whether the connection is still usable (the server may have gone away).
    bool Healthy() const;
    // Whether the window was made by a connection of this process to the same display: such a
    // window's owner cannot answer a request that this process is waiting on.
    bool IsWindowOfThisProcess(xcb_window_t window) const;

private:
    explicit DesktopConnection(xcb_connection_t* connection, xcb_window_t root, std::string display);

    xcb_connection_t* mConnection;
    std::string mDisplay;
    xcb_window_t mRoot;
    void Remember(const std::string& name, xcb_atom_t atom);

    std::unordered_map<std::string, xcb_atom_t> mAtoms;
    std::unordered_map<xcb_atom_t, std::string> mAtomNames;
};

}  // namespace platform::desktop
