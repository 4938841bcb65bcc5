// Asking the owner of a selection for one target and receiving the answer: in one property, or in
// pieces through the INCR protocol when it is large.
#pragma once

#include "desktop/DesktopConnection.h"

#include <functional>
#include <optional>
#include <string>

namespace platform::desktop {

// Events that arrive while waiting and are not the transfer's own go to otherEvent.
using EventSink = std::function<void(const xcb_generic_event_t& event)>;

// The owner's answer for the target, or nullopt with the reason in why when the owner refuses,
// goes away, or stays silent for longer than the patience (each piece of an INCR answer renews
// it). The window must listen for property changes.
std::optional<std::string> ConvertSelection(DesktopConnection& connection, xcb_window_t window,
                                            xcb_atom_t selection, xcb_atom_t target, const EventSink& otherEvent,
                                            std::string& why);

// Waits for the next event, at most milliseconds; NULL when none came.
XcbOwned<xcb_generic_event_t> WaitForEvent(DesktopConnection& connection, int milliseconds);

}  // namespace platform::desktop
