#include "wayland/WaylandClipboardServer.h"

#include "base/RegularFile.h"
#include "base/ScopedFd.h"
#include "desktop/ClipboardServerLaunch.h"
#include "desktop/GenerationOffer.h"
#include "desktop/MimeFlavors.h"
#include "scrap/ClipboardFolder.h"
#include "wayland/DataControl.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <list>
#include <optional>

namespace platform::wayland {
namespace {

using Clock = std::chrono::steady_clock;
using desktop::GenerationOffer;
using desktop::Reply;

// How much of an answer goes into the pipe at once, and the size up to which it is read whole.
constexpr size_t kPiece = 1 << 16;

// An answer on its way into a requestor's pipe, which never blocks the server: a requestor that
// does not read holds up nobody else, and is given up after a while.
struct Transfer {
    ScopedFd pipe;
    Reply reply;
    size_t sent = 0;
    Clock::time_point lastProgress;
};

class Server {
public:
    Server(WaylandConnection& connection, DataControl& control, GenerationOffer& offer, std::string token,
           int clipboardFolder, int generationFolder, std::optional<Clock::time_point> clearAt)
        : mConnection(connection), mControl(control), mOffer(offer), mToken(std::move(token)),
          mClipboardFolder(clipboardFolder), mGenerationFolder(generationFolder), mClearAt(clearAt),
          mWatch(generationFolder)
    {
    }

    ~Server() { ::unlinkat(mClipboardFolder, FetchedMark().c_str(), 0); }

    // Makes a source of the generation's targets (and mark) the compositor's clipboard. false when
    // another program's content became the clipboard at the same moment, after ours.
    bool Take()
    {
        const std::string mark = Announce();
        if (!mConnection.Roundtrip()) {
            return false;
        }
        const auto& selection = mControl.Selection();
        return selection && std::find(selection->types.begin(), selection->types.end(), mark) != selection->types.end();
    }

    // Serves until the source is cancelled or the compositor goes; answers begun before then are
    // finished, as long as their requestors read them.
    void Run()
    {
        wl_display* display = mConnection.Get();
        for (;;) {
            if (!mConnection.Healthy() || mControl.Finished()) {
                return;
            }
            DropAbandoned();
            if (mSource == nullptr && mTransfers.empty()) {
                return;
            }
            if (mSource != nullptr && mClearAt && Clock::now() >= *mClearAt) {
                // Destroyed, the source leaves the clipboard if it still is the clipboard: only
                // our own content is taken off. The secret's files go first, so that whoever sees
                // the clipboard empty finds no copy of it left behind.
                desktop::RemoveFilesOf(mGenerationFolder);
                TakeOff();
                wl_display_flush(display);
                continue;
            }
            while (wl_display_prepare_read(display) != 0) {
                wl_display_dispatch_pending(display);
            }
            wl_display_flush(display);
            std::vector<pollfd> waiting = {{wl_display_get_fd(display), POLLIN, 0}, {mWatch.Fd(), POLLIN, 0}};
            for (const Transfer& transfer : mTransfers) {
                waiting.push_back({transfer.pipe.Get(), POLLOUT, 0});
            }
            int timeout = 1000;
            if (mSource != nullptr && mClearAt) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*mClearAt - Clock::now());
                timeout = static_cast<int>(std::clamp<long long>(left.count(), 1, 1000));
            }
            const int ready = ::poll(waiting.data(), waiting.size(), timeout);
            if (ready > 0 && (waiting[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                if (wl_display_read_events(display) < 0) {
                    return;
                }
            } else {
                wl_display_cancel_read(display);
            }
            if (ready > 0 && waiting[1].revents != 0) {
                Changed();
            }
            if (ready > 0) {
                auto transfer = mTransfers.begin();
                for (size_t i = 2; i < waiting.size(); ++i) {
                    auto next = std::next(transfer);
                    if (waiting[i].revents != 0 && !Continue(*transfer)) {
                        mTransfers.erase(transfer);
                    }
                    transfer = next;
                }
            }
            wl_display_dispatch_pending(display);
        }
    }

private:
    // A source of the generation's targets as they are now becomes the clipboard, in the place of
    // the one before. It is marked with the token and the number of flavors it offers, so that the
    // process putting them knows when the compositor offers what it put. Answers the mark.
    std::string Announce()
    {
        static const SourceEvents kEvents = {OnSend, OnCancelled};
        const std::vector<std::string> targets = mOffer.Targets();
        mAnnounced = mOffer.FlavorCount();
        const std::string mark = std::string(desktop::kServerMarkPrefix) + mToken + "-" + std::to_string(mAnnounced);
        wl_proxy* source = mControl.CreateSource(&kEvents, this);
        for (const std::string& target : targets) {
            mControl.OfferType(source, target);
        }
        mControl.OfferType(source, mark);
        mControl.SetSelection(source);
        // The one before is cancelled by our own selection: destroyed now, it hears nothing more.
        if (mSource != nullptr) {
            mControl.DestroySource(mSource);
        }
        mSource = source;
        return mark;
    }

    // The generation's folder changed: its flavors are announced again when there are others.
    void Changed()
    {
        // Another program may have taken the clipboard meanwhile: its content is never replaced.
        if (!mWatch.Changed() || !mConnection.Roundtrip() || mSource == nullptr) {
            return;
        }
        mOffer.Targets();
        if (mOffer.FlavorCount() != mAnnounced) {
            Announce();
        }
    }

    static void OnSend(void* data, wl_proxy*, const char* type, int32_t fd)
    {
        static_cast<Server*>(data)->Send(type, ScopedFd(fd));
    }

    static void OnCancelled(void* data, wl_proxy*)
    {
        static_cast<Server*>(data)->TakeOff();
    }

    void TakeOff()
    {
        if (mSource != nullptr) {
            mControl.DestroySource(mSource);
            mSource = nullptr;
        }
    }

    void Send(const std::string& type, ScopedFd pipe)
    {
        std::optional<Reply> reply = mOffer.Answer(type, kPiece);
        if (!reply || ::fcntl(pipe.Get(), F_SETFL, O_NONBLOCK) != 0) {
            return;  // the pipe closes empty: nothing is offered under that type
        }
        mTransfers.push_back(Transfer{std::move(pipe), std::move(*reply), 0, Clock::now()});
        // The content itself was asked for: the paste that put it has landed.
        if (type != desktop::kPasswordManagerHint) {
            ScopedFd mark(::openat(mClipboardFolder, FetchedMark().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                                   0600));
        }
    }

    std::string FetchedMark() const { return kFetchedMarkPrefix + mToken; }

    // Writes what the pipe takes now; false once the transfer is over (whole, or given up).
    bool Continue(Transfer& transfer)
    {
        while (transfer.sent < transfer.reply.Size()) {
            const size_t piece = std::min(kPiece, transfer.reply.Size() - transfer.sent);
            const char* data = transfer.reply.bytes.data() + transfer.sent;
            if (transfer.reply.InFile()) {
                mPiece.resize(piece);
                if (ReadAt(transfer.reply.file.Get(), mPiece.data(), piece,
                           transfer.reply.from + static_cast<off_t>(transfer.sent)) != static_cast<ssize_t>(piece)) {
                    return false;
                }
                data = mPiece.data();
            }
            const ssize_t written = ::write(transfer.pipe.Get(), data, piece);
            if (written < 0) {
                return errno == EAGAIN || errno == EINTR;
            }
            transfer.sent += static_cast<size_t>(written);
            transfer.lastProgress = Clock::now();
        }
        return false;
    }

    void DropAbandoned()
    {
        mTransfers.remove_if(
            [](const Transfer& transfer) { return Clock::now() - transfer.lastProgress > desktop::kAbandonedTransfer; });
    }

    WaylandConnection& mConnection;
    DataControl& mControl;
    GenerationOffer& mOffer;
    std::string mToken;
    int mClipboardFolder;
    int mGenerationFolder;
    std::optional<Clock::time_point> mClearAt;  // when a secret leaves the clipboard
    desktop::GenerationWatch mWatch;
    size_t mAnnounced = 0;  // the flavors the clipboard's source offers
    wl_proxy* mSource = nullptr;
    std::list<Transfer> mTransfers;
    std::string mPiece;  // the piece of a file read for the transfer being continued
};

int Fail(const std::string& why)
{
    return desktop::TellStarter(why, 1);
}

}  // namespace

int RunWaylandClipboardServer(int argc, char** argv)
{
    desktop::ServerArguments arguments;
    if (!desktop::ParseServerArguments(argc, argv, arguments)) {
        return Fail("usage: stashwell-clipboard-server --wayland SOCKET FOLDER-BASE-NAME [--concealed MILLISECONDS]");
    }
    Result<std::unique_ptr<WaylandConnection>> opened = WaylandConnection::Open(arguments.display.c_str());
    if (!opened.Ok()) {
        return Fail(opened.Reason());
    }
    std::unique_ptr<WaylandConnection> connection = std::move(opened.Value());
    Result<std::unique_ptr<DataControl>> controlled = DataControl::Open(*connection);
    if (!controlled.Ok()) {
        return Fail(controlled.Reason());
    }
    std::unique_ptr<DataControl> control = std::move(controlled.Value());
    ScopedFd generationFolder;
    std::unique_ptr<scrap::GenerationView> view = desktop::OpenServedGeneration(arguments, generationFolder);
    if (!view) {
        return Fail("cannot open the desktop clipboard's folder");
    }
    GenerationOffer offer(*view, arguments.concealed);
    // The token names this start among the compositor's offers; the process id is unique while we live.
    const std::string token = std::to_string(::getpid());
    ScopedFd clipboardFolder;
    if (scrap::OpenClipboardFolder(clipboardFolder, arguments.folder) != noErr) {
        return Fail("cannot open the desktop clipboard's folder");
    }
    Server server(*connection, *control, offer, token, clipboardFolder.Get(), generationFolder.Get(),
                  arguments.SecretDeadline());
    if (!server.Take()) {
        if (!connection->Healthy()) {
            return Fail("the Wayland compositor closed the connection");
        }
        Fail("another program took the clipboard at the same moment");
        return desktop::kServerFoundClipboardTaken;
    }
    // Told once we hold the clipboard; the one who started us waits for this process to end, so
    // serving goes on in a child of its own.
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    const pid_t serving = ::fork();
    if (serving < 0) {
        return Fail("cannot start serving the clipboard");
    }
    if (serving > 0) {
        desktop::TellStarter(token, 0);
        ::_exit(0);
    }
    // Nobody reads our output any more.
    std::freopen("/dev/null", "w", stdout);
    server.Run();
    // A secret's files go with the server: nobody is served from them any more.
    if (arguments.concealed) {
        desktop::RemoveFilesOf(generationFolder.Get());
    }
    return 0;
}

}  // namespace platform::wayland
