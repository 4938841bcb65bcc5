#include "desktop/SelectionTransfer.h"

#include <Carbon/Scrap.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>

namespace platform::desktop {
namespace {

using Clock = std::chrono::steady_clock;

// When the owner's next answer or piece must have come.
Clock::time_point NextDeadline(const TransferPatience& patience)
{
    const Clock::time_point now = Clock::now();
    return patience.overall - now > patience.eachAnswer ? now + patience.eachAnswer : patience.overall;
}

int MillisecondsLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The whole property, deleted as it is read (deleting is what asks an INCR owner for more).
XcbOwned<xcb_get_property_reply_t> TakeProperty(DesktopConnection& connection, xcb_window_t window, xcb_atom_t property)
{
    // Lengths count 32-bit units: ask for everything there is.
    xcb_get_property_cookie_t cookie =
        xcb_get_property(connection.Get(), 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4);
    return XcbOwned<xcb_get_property_reply_t>(xcb_get_property_reply(connection.Get(), cookie, nullptr));
}

std::string_view ValueOf(const xcb_get_property_reply_t& reply)
{
    const int length = xcb_get_property_value_length(&reply);
    return std::string_view(static_cast<const char*>(xcb_get_property_value(&reply)), static_cast<size_t>(length));
}

// The size an INCR owner announces: at least what it will send, a hint to make room once.
size_t AnnouncedSize(const xcb_get_property_reply_t& reply)
{
    const std::string_view value = ValueOf(reply);
    std::uint32_t size = 0;
    if (value.size() >= sizeof size) {
        std::memcpy(&size, value.data(), sizeof size);
    }
    return size;
}

// Who is waited for, as the user knows it.
std::string HolderOf(xcb_atom_t selection)
{
    return selection == XCB_ATOM_PRIMARY ? "the application holding the selected text"
                                         : "the application holding the clipboard";
}

// Every way a transfer fails leaves the flavor unread, which the clipboard's callers answer alike.
Failure Failed(std::string reason)
{
    return Failure{internalScrapErr, 0, std::move(reason)};
}

std::string TooLarge(size_t most)
{
    return "the clipboard's content is larger than " + std::to_string(most) + " bytes, the most a flavor can hold";
}

}  // namespace

XcbOwned<xcb_generic_event_t> WaitForEvent(DesktopConnection& connection, int milliseconds)
{
    XcbOwned<xcb_generic_event_t> event(xcb_poll_for_event(connection.Get()));
    if (event || milliseconds <= 0) {
        return event;
    }
    pollfd waiting = {xcb_get_file_descriptor(connection.Get()), POLLIN, 0};
    ::poll(&waiting, 1, milliseconds);
    return XcbOwned<xcb_generic_event_t>(xcb_poll_for_event(connection.Get()));
}

Result<void> ReceiveSelection(DesktopConnection& connection, xcb_window_t window, xcb_atom_t selection,
                              xcb_atom_t target, const EventSink& otherEvent, AnswerSink& sink, size_t most,
                              const TransferPatience& patience)
{
    xcb_connection_t* c = connection.Get();
    const xcb_atom_t property = connection.Atom("STASHWELL_SELECTION");
    xcb_delete_property(c, window, property);
    // A request is dated, so that an owner can tell it from one meant for an earlier owner: this
    // process has no input event of its own to date it by, so the server's time now stands for it.
    const xcb_timestamp_t now = connection.TimestampNow(window, otherEvent);
    xcb_convert_selection(c, window, selection, target, property, now);
    xcb_flush(c);

    bool incremental = false;
    size_t received = 0;
    Clock::time_point deadline = NextDeadline(patience);
    for (;;) {
        if (!connection.Healthy()) {
            return Failed("the X11 display closed the connection");
        }
        if (Clock::now() >= deadline) {
            if (deadline >= patience.overall) {
                return Failed(kOverallTimeRanOut);
            }
            return Failed(HolderOf(selection) + (incremental ? " stopped sending it" : " did not answer"));
        }
        XcbOwned<xcb_generic_event_t> event = WaitForEvent(connection, std::min(MillisecondsLeft(deadline), 100));
        if (!event) {
            continue;
        }
        const uint8_t kind = event->response_type & 0x7F;
        if (!incremental && kind == XCB_SELECTION_NOTIFY) {
            auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
            if (notify->requestor != window || notify->selection != selection) {
                continue;
            }
            if (notify->property == XCB_ATOM_NONE) {
                return Failed(HolderOf(selection) + " refused to give it");
            }
            XcbOwned<xcb_get_property_reply_t> reply = TakeProperty(connection, window, property);
            if (!reply) {
                return Failed("the clipboard's answer could not be read");
            }
            if (reply->type != connection.Atom("INCR")) {
                if (ValueOf(*reply).size() > most) {
                    return Failed(TooLarge(most));
                }
                return sink.Take(ValueOf(*reply));
            }
            // The owner sends the answer in pieces, each once we have taken the one before.
            sink.Expect(std::min(AnnouncedSize(*reply), most));
            incremental = true;
            xcb_flush(c);
            deadline = NextDeadline(patience);
            continue;
        }
        if (incremental && kind == XCB_PROPERTY_NOTIFY) {
            auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
            if (notify->window != window || notify->atom != property || notify->state != XCB_PROPERTY_NEW_VALUE) {
                continue;
            }
            XcbOwned<xcb_get_property_reply_t> reply = TakeProperty(connection, window, property);
            if (!reply) {
                return Failed("a piece of the clipboard's answer could not be read");
            }
            xcb_flush(c);
            const std::string_view piece = ValueOf(*reply);
            if (piece.empty()) {
                return {};
            }
            if (piece.size() > most - received) {
                return Failed(TooLarge(most));
            }
            if (Result<void> taken = sink.Take(piece); !taken.Ok()) {
                return taken;
            }
            received += piece.size();
            deadline = NextDeadline(patience);
            continue;
        }
        if (otherEvent) {
            otherEvent(*event);
        }
    }
}

Result<std::string> ConvertSelection(DesktopConnection& connection, xcb_window_t window, xcb_atom_t selection,
                                     xcb_atom_t target, const EventSink& otherEvent, size_t most,
                                     const TransferPatience& patience)
{
    StringSink sink;
    if (Result<void> received = ReceiveSelection(connection, window, selection, target, otherEvent, sink, most, patience);
        !received.Ok()) {
        return received.Error();
    }
    return std::move(sink.answer);
}

}  // namespace platform::desktop
