#include "desktop/ClipboardServer.h"

#include "desktop/ClipboardServerLaunch.h"

#include "base/RegularFile.h"
#include "desktop/DesktopConnection.h"
#include "desktop/GenerationOffer.h"
#include "desktop/MimeFlavors.h"
#include "desktop/SelectionTransfer.h"
#include "scrap/GenerationView.h"

#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <map>
#include <optional>
#include <unistd.h>
#include <vector>

namespace platform::desktop {
namespace {

using Clock = std::chrono::steady_clock;
// How often a server whose clipboard was taken looks for transfers abandoned meanwhile.
constexpr int kTakenPollMilliseconds = 1000;
// The property of our window whose change gives the display's time.
constexpr char kTimeProperty[] = "STASHWELL_TIMESTAMP";

Reply BytesReply(std::string bytes)
{
    Reply reply;
    reply.bytes = std::move(bytes);
    return reply;
}

// A large answer on its way in pieces: what is left of it and where it goes.
struct Transfer {
    Reply reply;
    size_t sent = 0;
    xcb_atom_t type = XCB_ATOM_NONE;
    Clock::time_point lastProgress;
};

class Server {
public:
    Server(DesktopConnection& connection, xcb_window_t window, xcb_timestamp_t time, scrap::GenerationView& view,
           int generationFolder, bool concealed, std::optional<Clock::time_point> clearAt)
        : mConnection(connection), mWindow(window), mTime(time), mOffer(view, concealed), mWatch(generationFolder),
          mGenerationFolder(generationFolder), mClearAt(clearAt)
    {
        // Pieces as large as a request may carry, with room for the request's own header.
        const uint32_t maximum = xcb_get_maximum_request_length(connection.Get()) * 4;
        mPieceSize = std::min<size_t>(maximum > 1024 ? maximum - 1024 : 4096, 1 << 20);
        mClipboard = connection.Atom("CLIPBOARD");
    }

    // Serves until the clipboard is taken or the display goes away. A requestor that is taking an
    // answer in pieces when another program takes the clipboard still gets the rest of it: it asked
    // while we held the clipboard and waits for the pieces, some for ever. Once the clipboard is
    // taken, the process waits only for those, and for no longer than a silent requestor is given.
    void Run()
    {
        bool taken = false;
        for (;;) {
            if (!mConnection.Healthy()) {
                return;
            }
            if (taken) {
                DropAbandonedTransfers();
                if (mTransfers.empty()) {
                    // The display has done what we asked (the last, empty piece) before we leave.
                    XcbOwned<xcb_get_input_focus_reply_t> done(
                        xcb_get_input_focus_reply(mConnection.Get(), xcb_get_input_focus(mConnection.Get()), nullptr));
                    return;
                }
            }
            if (!taken && mClearAt && Clock::now() >= *mClearAt) {
                TakeSecretOff();
                taken = true;
                continue;
            }
            int wait = -1;
            if (taken) {
                wait = kTakenPollMilliseconds;
            } else if (mClearAt) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*mClearAt - Clock::now());
                wait = static_cast<int>(std::clamp<long long>(left.count(), 1, 1000));
            }
            XcbOwned<xcb_generic_event_t> event = Wait(wait);
            if (!taken && mWatch.Changed()) {
                AskForTime();
            }
            if (!event) {
                continue;
            }
            switch (event->response_type & 0x7F) {
            case XCB_SELECTION_CLEAR:
                if (reinterpret_cast<xcb_selection_clear_event_t*>(event.get())->selection == mClipboard) {
                    taken = true;
                }
                break;
            case XCB_SELECTION_REQUEST:
                Answer(*reinterpret_cast<xcb_selection_request_event_t*>(event.get()));
                break;
            case XCB_PROPERTY_NOTIFY:
                if (!taken && IsTimeAnswer(*reinterpret_cast<xcb_property_notify_event_t*>(event.get()))) {
                    Announce(reinterpret_cast<xcb_property_notify_event_t*>(event.get())->time);
                } else {
                    Continue(*reinterpret_cast<xcb_property_notify_event_t*>(event.get()));
                }
                break;
            default:
                break;
            }
            xcb_flush(mConnection.Get());
        }
    }

private:
    // The next event, waiting at most milliseconds (-1: until one comes) or until the generation's
    // folder changes; NULL when none came.
    XcbOwned<xcb_generic_event_t> Wait(int milliseconds)
    {
        if (XcbOwned<xcb_generic_event_t> event{xcb_poll_for_event(mConnection.Get())}) {
            return event;
        }
        pollfd waiting[] = {{xcb_get_file_descriptor(mConnection.Get()), POLLIN, 0}, {mWatch.Fd(), POLLIN, 0}};
        ::poll(waiting, 2, milliseconds);
        return XcbOwned<xcb_generic_event_t>(xcb_poll_for_event(mConnection.Get()));
    }

    // Flavors were put: the clipboard is taken again, so that programs that read the targets only
    // when it changes hands (XWayland's bridge, clipboard managers) read them again. Taking it needs
    // the display's time, which comes with a change of a property of our window.
    void AskForTime()
    {
        mOffer.Targets();
        if (mOffer.FlavorCount() == mAnnounced) {
            return;
        }
        mAnnounced = mOffer.FlavorCount();
        xcb_change_property(mConnection.Get(), XCB_PROP_MODE_APPEND, mWindow, mConnection.Atom(kTimeProperty),
                            XCB_ATOM_INTEGER, 32, 0, nullptr);
        xcb_flush(mConnection.Get());
    }

    bool IsTimeAnswer(const xcb_property_notify_event_t& notify)
    {
        return notify.window == mWindow && notify.atom == mConnection.Atom(kTimeProperty);
    }

    void Announce(xcb_timestamp_t time)
    {
        xcb_set_selection_owner(mConnection.Get(), mWindow, mClipboard, time);
        mTime = time;
    }

    // A secret leaves the clipboard a short time after its paste. Given up with the time we took
    // the clipboard at, the display ignores the request once another program has taken it since:
    // only our own content is taken off.
    // The secret's files go before the clipboard lets go of it: whoever sees the clipboard empty
    // finds no copy of the secret left behind. Answers already under way read what they opened.
    void TakeSecretOff()
    {
        RemoveFilesOf(mGenerationFolder);
        xcb_set_selection_owner(mConnection.Get(), XCB_NONE, mClipboard, mTime);
        xcb_flush(mConnection.Get());
    }

    // The answer for one target, or nullopt when it is not offered. *type is the property's type.
    std::optional<Reply> Convert(xcb_atom_t target, xcb_atom_t& type, uint8_t& format)
    {
        format = 8;
        if (target == mConnection.Atom("TARGETS")) {
            std::vector<std::string> names = {"TARGETS", "TIMESTAMP", "MULTIPLE"};
            for (const std::string& name : mOffer.Targets()) {
                names.push_back(name);
            }
            const std::vector<xcb_atom_t> atoms = mConnection.Atoms(names);
            type = XCB_ATOM_ATOM;
            format = 32;
            return BytesReply(std::string(reinterpret_cast<const char*>(atoms.data()), atoms.size() * sizeof(xcb_atom_t)));
        }
        if (target == mConnection.Atom("TIMESTAMP")) {
            type = XCB_ATOM_INTEGER;
            format = 32;
            return BytesReply(std::string(reinterpret_cast<const char*>(&mTime), sizeof mTime));
        }
        type = target;
        return mOffer.Answer(mConnection.AtomName(target), mPieceSize);
    }

    // Puts the answer in the requestor's property, in pieces when it is larger than one request.
    bool Send(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type, uint8_t format, Reply reply)
    {
        if (reply.Size() <= mPieceSize) {
            if (reply.InFile()) {
                reply.bytes.resize(reply.length);
                if (ReadAt(reply.file.Get(), reply.bytes.data(), reply.length, reply.from) !=
                    static_cast<ssize_t>(reply.length)) {
                    return false;
                }
            }
            const std::string& bytes = reply.bytes;
            xcb_change_property(mConnection.Get(), XCB_PROP_MODE_REPLACE, requestor, property, type, format,
                                static_cast<uint32_t>(bytes.size() / (format / 8)), bytes.data());
            return true;
        }
        // The requestor takes each piece by deleting the property: we hear of it on its window.
        const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_change_window_attributes(mConnection.Get(), requestor, XCB_CW_EVENT_MASK, mask);
        const uint32_t size = static_cast<uint32_t>(std::min<size_t>(reply.Size(), UINT32_MAX));
        xcb_change_property(mConnection.Get(), XCB_PROP_MODE_REPLACE, requestor, property, mConnection.Atom("INCR"),
                            32, 1, &size);
        mTransfers[{requestor, property}] = Transfer{std::move(reply), 0, type, Clock::now()};
        return true;
    }

    void Answer(const xcb_selection_request_event_t& request)
    {
        // Requestors of the old convention name no property: the target is the property then.
        const xcb_atom_t property = request.property != XCB_ATOM_NONE ? request.property : request.target;
        bool answered = false;
        if (request.selection == mClipboard && AskedWhileOurs(request.time)) {
            if (request.target == mConnection.Atom("MULTIPLE")) {
                answered = AnswerMultiple(request.requestor, property);
            } else {
                xcb_atom_t type = XCB_ATOM_NONE;
                uint8_t format = 8;
                if (std::optional<Reply> reply = Convert(request.target, type, format)) {
                    answered = Send(request.requestor, property, type, format, std::move(*reply));
                }
            }
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = answered ? property : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        xcb_send_event(mConnection.Get(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        // The content itself was fetched (not just the list of targets): the paste that put it
        // has landed, and the next paste of the user's may take the clipboard.
        if (answered && request.target != mConnection.Atom("TARGETS") && request.target != mConnection.Atom("TIMESTAMP")) {
            const uint32_t count = ++mFetches;
            xcb_change_property(mConnection.Get(), XCB_PROP_MODE_REPLACE, mWindow,
                                mConnection.Atom(kServerFetchedProperty), XCB_ATOM_CARDINAL, 32, 1, &count);
        }
    }

    // Whether a request's time is not before we took the clipboard: one dated earlier asked for
    // what the owner of that moment held, which was not ours. Server times wrap around after 49
    // days, so the later of two is told by their difference.
    bool AskedWhileOurs(xcb_timestamp_t asked) const
    {
        return asked == XCB_CURRENT_TIME || mTime == XCB_CURRENT_TIME || static_cast<int32_t>(asked - mTime) >= 0;
    }

    // Several targets at once: the property holds pairs of target and property; a pair that
    // cannot be answered gets NONE as its property.
    bool AnswerMultiple(xcb_window_t requestor, xcb_atom_t property)
    {
        XcbOwned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            mConnection.Get(),
            xcb_get_property(mConnection.Get(), 0, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
        if (!reply || reply->format != 32) {
            return false;
        }
        auto* pairs = static_cast<xcb_atom_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        std::vector<xcb_atom_t> answered(pairs, pairs + count);
        for (int i = 0; i + 1 < count; i += 2) {
            xcb_atom_t type = XCB_ATOM_NONE;
            uint8_t format = 8;
            std::optional<Reply> reply = Convert(pairs[i], type, format);
            if (!reply || !Send(requestor, pairs[i + 1], type, format, std::move(*reply))) {
                answered[static_cast<size_t>(i + 1)] = XCB_ATOM_NONE;
            }
        }
        xcb_change_property(mConnection.Get(), XCB_PROP_MODE_REPLACE, requestor, property, reply->type, 32,
                            static_cast<uint32_t>(answered.size()), answered.data());
        return true;
    }

    // Transfers nobody takes pieces of any more are dropped.
    void DropAbandonedTransfers()
    {
        std::erase_if(mTransfers, [](const auto& item) { return Clock::now() - item.second.lastProgress > kAbandonedTransfer; });
    }

    void Continue(const xcb_property_notify_event_t& notify)
    {
        DropAbandonedTransfers();
        if (notify.state != XCB_PROPERTY_DELETE) {
            return;
        }
        auto found = mTransfers.find({notify.window, notify.atom});
        if (found == mTransfers.end()) {
            return;
        }
        Transfer& transfer = found->second;
        const size_t piece = std::min(mPieceSize, transfer.reply.Size() - transfer.sent);
        const char* data = transfer.reply.bytes.data() + (transfer.reply.InFile() ? 0 : transfer.sent);
        if (transfer.reply.InFile() && piece > 0) {
            mPiece.resize(piece);
            if (ReadAt(transfer.reply.file.Get(), mPiece.data(), piece,
                       transfer.reply.from + static_cast<off_t>(transfer.sent)) != static_cast<ssize_t>(piece)) {
                // Never a short answer that looks whole: the requestor is left to give up.
                mTransfers.erase(found);
                return;
            }
            data = mPiece.data();
        }
        // The last piece is the empty one that says the answer is complete.
        xcb_change_property(mConnection.Get(), XCB_PROP_MODE_REPLACE, notify.window, notify.atom, transfer.type, 8,
                            static_cast<uint32_t>(piece), data);
        transfer.sent += piece;
        transfer.lastProgress = Clock::now();
        if (piece == 0) {
            mTransfers.erase(found);
        }
    }

    DesktopConnection& mConnection;
    xcb_window_t mWindow;
    xcb_timestamp_t mTime;
    GenerationOffer mOffer;
    GenerationWatch mWatch;
    int mGenerationFolder;
    size_t mAnnounced = 0;  // the flavors there were when the clipboard was last taken
    std::optional<Clock::time_point> mClearAt;  // when a secret leaves the clipboard
    uint32_t mFetches = 0;  // how often an application fetched the content
    xcb_atom_t mClipboard = XCB_ATOM_NONE;
    size_t mPieceSize = 4096;
    std::string mPiece;  // the piece of a file read for the transfer being continued
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> mTransfers;
};

int Fail(const std::string& why)
{
    return TellStarter(why, 1);
}

}  // namespace

int RunClipboardServer(int argc, char** argv)
{
    ServerArguments arguments;
    if (!ParseServerArguments(argc, argv, arguments)) {
        return Fail("usage: stashwell-clipboard-server [--wayland] DISPLAY FOLDER-BASE-NAME [--concealed MILLISECONDS]");
    }
    Result<std::unique_ptr<DesktopConnection>> opened = DesktopConnection::Open(arguments.display.c_str());
    if (!opened.Ok()) {
        return Fail(opened.Reason());
    }
    std::unique_ptr<DesktopConnection> connection = std::move(opened.Value());
    ScopedFd generationFolder;
    std::unique_ptr<scrap::GenerationView> view = OpenServedGeneration(arguments, generationFolder);
    if (!view) {
        return Fail("cannot open the desktop clipboard's folder");
    }
    const xcb_window_t window = connection->MakeHiddenWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
    const xcb_timestamp_t time = connection->TimestampNow(window);
    const xcb_atom_t clipboard = connection->Atom("CLIPBOARD");
    xcb_set_selection_owner(connection->Get(), window, clipboard, time);
    XcbOwned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection->Get(), xcb_get_selection_owner(connection->Get(), clipboard), nullptr));
    if (!owner) {
        return Fail("the X11 display did not give us the clipboard");
    }
    // The display refuses an owner whose time is older than the last change of owner: another
    // program took the clipboard at the same moment, after us in the display's order.
    if (owner->owner != window) {
        Fail("another program took the clipboard at the same moment");
        return kServerFoundClipboardTaken;
    }
    // Told once we hold the clipboard; the one who started us waits for this process to end, so
    // serving goes on in a child of its own.
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    const pid_t server = ::fork();
    if (server < 0) {
        return Fail("cannot start serving the clipboard");
    }
    if (server > 0) {
        std::printf("%u\n", static_cast<unsigned>(window));
        std::fflush(stdout);
        ::_exit(0);
    }
    // Nobody reads our output any more.
    std::freopen("/dev/null", "w", stdout);
    Server(*connection, window, time, *view, generationFolder.Get(), arguments.concealed, arguments.SecretDeadline())
        .Run();
    // A secret's files go with the server: nobody is served from them any more.
    if (arguments.concealed) {
        RemoveFilesOf(generationFolder.Get());
    }
    return 0;
}

}  // namespace platform::desktop
