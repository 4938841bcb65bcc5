// Asking the owner of a selection for one target and receiving the answer: in one property, or in
// pieces through the INCR protocol when it is large.
#pragma once

#include "base/Result.h"
#include "desktop/DesktopConnection.h"

#include <chrono>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace platform::desktop {

// Events that arrive while waiting and are not the transfer's own go to otherEvent.
using EventSink = std::function<void(const xcb_generic_event_t& event)>;

// How long a transfer waits. An owner may be silent for eachAnswer before its answer and before
// each piece of an answer in pieces: as long as other toolkits wait, so that a busy owner is not
// taken for a hung one. The whole transfer ends by the overall time whatever the owner does, so
// that several transfers from one owner can share one limit.
struct TransferPatience {
    std::chrono::milliseconds eachAnswer{5000};
    std::chrono::steady_clock::time_point overall = std::chrono::steady_clock::time_point::max();
};

// A look that must not hold up what the user is waiting for (the menu opening): an owner that
// does not list its content this soon is taken as having none.
inline constexpr std::chrono::milliseconds kQuickLookPatience{1500};

// The reason a transfer gives when the overall time ran out.
inline constexpr const char* kOverallTimeRanOut = "the application holding the clipboard took too long in all";

// The most an answer may hold: the most a flavor can hold.
inline constexpr size_t kMaxSelectionAnswerBytes = 0x7FFFFFFF;

// Where an answer goes as it arrives: whole, or in the pieces of an INCR answer.
class AnswerSink {
public:
    virtual ~AnswerSink() = default;
    // An answer in pieces is announced with at least this many bytes in all.
    virtual void Expect(size_t atLeast) {}
    // The next piece, in order; a failure gives the transfer up.
    virtual Result<void> Take(std::string_view piece) = 0;
};

// An answer gathered whole in memory. Room for what an answer in pieces announces is made at once,
// so that it is never held twice while it grows.
class StringSink final : public AnswerSink {
public:
    void Expect(size_t atLeast) override
    {
        try {
            answer.reserve(atLeast);
        } catch (const std::bad_alloc&) {
            // Only a hint: an owner may announce more than it sends. The answer then grows.
        }
    }
    Result<void> Take(std::string_view piece) override
    {
        answer.append(piece);
        return {};
    }

    std::string answer;
};

// Asks the owner for the target and hands its answer to sink as it arrives. A failure when the
// owner refuses, goes away, stays silent for longer than the patience allows (each piece of an INCR
// answer renews it) or past its overall time (the reason is then kOverallTimeRanOut), sends more
// than most bytes (the rest is not waited for), or the sink gives up. The window must listen for
// property changes.
Result<void> ReceiveSelection(DesktopConnection& connection, xcb_window_t window, xcb_atom_t selection,
                              xcb_atom_t target, const EventSink& otherEvent, AnswerSink& sink,
                              size_t most = kMaxSelectionAnswerBytes, const TransferPatience& patience = {});

// The owner's whole answer for the target, as ReceiveSelection receives it.
Result<std::string> ConvertSelection(DesktopConnection& connection, xcb_window_t window, xcb_atom_t selection,
                                     xcb_atom_t target, const EventSink& otherEvent,
                                     size_t most = kMaxSelectionAnswerBytes, const TransferPatience& patience = {});

// Waits for the next event, at most milliseconds; NULL when none came.
XcbOwned<xcb_generic_event_t> WaitForEvent(DesktopConnection& connection, int milliseconds);

}  // namespace platform::desktop
