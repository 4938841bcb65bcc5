#include "desktop/DesktopClipboard.h"

#include "base/ErrnoStatus.h"
#include "base/Warnings.h"
#include "desktop/ClipboardServerLaunch.h"
#include "desktop/DesktopConnection.h"
#include "desktop/ForeignGeneration.h"
#include "desktop/MimeFlavors.h"
#include "desktop/PasteTurn.h"
#include "desktop/SelectionTransfer.h"
#include "desktop/UnownedGeneration.h"
#include "scrap/ClipboardFolder.h"
#include "scrap/ScrapError.h"

#include <xcb/xfixes.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace platform::desktop {
namespace {

using scrap::ClipboardGeneration;
using scrap::FailScrap;

class DesktopClipboard final : public scrap::ClipboardBackend, private ClipboardOwner {
public:
    DesktopClipboard(std::unique_ptr<DesktopConnection> connection, std::string display)
        : mConnection(std::move(connection)), mDisplay(std::move(display)),
          mFolder(scrap::MakeFolderClipboard(FolderNameFor(mDisplay), false))
    {
        mWindow = mConnection->MakeHiddenWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
        mClipboardAtom = mConnection->Atom("CLIPBOARD");
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(mConnection->Get(), &xcb_xfixes_id);
        if (xfixes != nullptr && xfixes->present) {
            XcbOwned<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
                mConnection->Get(), xcb_xfixes_query_version(mConnection->Get(), 5, 0), nullptr));
            mXfixesEvent = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
            xcb_xfixes_select_selection_input(mConnection->Get(), mWindow, mClipboardAtom,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                                  XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
            xcb_flush(mConnection->Get());
        }
    }

    // The application has been told to paste: the turn goes once it fetched our content.
    void PasteTyped() override
    {
        const xcb_atom_t fetched = mConnection->Atom(kServerFetchedProperty);
        mTurn.Finish([&](std::chrono::milliseconds wait) {
            if (!mConnection->Healthy()) {
                return true;  // nothing more can be heard
            }
            XcbOwned<xcb_generic_event_t> event = WaitForEvent(*mConnection, static_cast<int>(wait.count()));
            if (event && (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
                return notify->window == mServerWindow && notify->atom == fetched;
            }
            if (event) {
                Handle(*event);
            }
            return false;
        });
    }

    OSStatus Current(std::shared_ptr<ClipboardGeneration>& generation) override
    {
        if (!mConnection->Healthy()) {
            return FailScrap(internalScrapErr, "the X11 display closed the connection");
        }
        DrainEvents();
        XcbOwned<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            mConnection->Get(), xcb_get_selection_owner(mConnection->Get(), mClipboardAtom), nullptr));
        if (!reply) {
            return FailScrap(internalScrapErr, "the X11 display did not say who holds the clipboard");
        }
        // Changes announced before the answer came are in the queue now.
        DrainEvents();
        const xcb_window_t owner = reply->owner;
        // Our server's window holds only the desktop folder's generation it was started for.
        if (owner != XCB_WINDOW_NONE && owner == mServerWindow) {
            return mFolder->Current(generation);
        }
        if (auto known = mLast.lock(); known && owner == mLastOwner && mChanges == mLastChanges) {
            generation = known;
            return noErr;
        }
        if (owner == XCB_WINDOW_NONE) {
            // Nobody holds the clipboard: it is empty, and the first flavor put makes it ours.
            generation = std::make_shared<UnownedGeneration>([this](std::shared_ptr<ClipboardGeneration>& taken) {
                OSStatus status = Clear(false);
                return status == noErr ? mFolder->Current(taken) : status;
            });
        } else {
            generation = std::make_shared<ForeignGeneration>(static_cast<ClipboardOwner&>(*this));
        }
        mLast = generation;
        mLastOwner = owner;
        mLastChanges = mChanges;
        return noErr;
    }

    OSStatus Clear(bool concealed) override
    {
        mTurn.Take(FolderNameFor(mDisplay));
        OSStatus status = mFolder->Clear(concealed);
        if (status != noErr) {
            return status;
        }
        xcb_window_t window = XCB_WINDOW_NONE;
        Result<ServerLaunch> launch = LaunchClipboardServer(mDisplay, FolderNameFor(mDisplay), concealed, window);
        if (!launch.Ok()) {
            return FailScrap(internalScrapErr, "the clipboard could not be taken: " + launch.Reason());
        }
        switch (launch.Value()) {
        case ServerLaunch::kServing: {
            mServerWindow = window;
            // The server marks on its window each time an application fetches the content.
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(mConnection->Get(), window, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(mConnection->Get());
            return noErr;
        }
        case ServerLaunch::kTakenMeanwhile:
            // As when another process clears the shared clipboard between our clear and our puts.
            return FailScrap(badScrapRefErr, "another program took the clipboard at the same moment");
        }
        return FailScrap(internalScrapErr, "the clipboard could not be taken");
    }

private:
    // The owner's targets, by name: a menu is waiting, so an owner that does not list them soon
    // is taken as holding nothing.
    Result<std::vector<std::string>> ListTargets() override
    {
        TransferPatience patience;
        patience.eachAnswer = kQuickLookPatience;
        StringSink answer;
        if (Result<void> received = Receive("TARGETS", answer, kMaxSelectionAnswerBytes, patience); !received.Ok()) {
            return received.Error();
        }
        std::vector<xcb_atom_t> atoms(answer.answer.size() / sizeof(xcb_atom_t));
        std::memcpy(atoms.data(), answer.answer.data(), atoms.size() * sizeof(xcb_atom_t));
        return mConnection->AtomNames(atoms);
    }

    // The owner's answer for a target, handed to sink as it arrives, other events handled while
    // waiting.
    Result<void> Receive(const std::string& target, AnswerSink& sink, size_t most,
                         const TransferPatience& patience) override
    {
        return ReceiveSelection(*mConnection, mWindow, mClipboardAtom, mConnection->Atom(target),
                                [this](const xcb_generic_event_t& event) { Handle(event); }, sink, most, patience);
    }

    // One desktop folder per display, so that two displays of the user never share flavors.
    static std::string FolderNameFor(const std::string& display)
    {
        std::string name = "clipboard-x11-";
        for (char c : display) {
            name += (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.') ? c : '_';
        }
        return name;
    }

    void Handle(const xcb_generic_event_t& event)
    {
        if (mXfixesEvent != 0 && (event.response_type & 0x7F) == mXfixesEvent) {
            auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(&event);
            if (notify->selection == mClipboardAtom) {
                ++mChanges;
            }
        }
    }

    void DrainEvents()
    {
        while (XcbOwned<xcb_generic_event_t> event = WaitForEvent(*mConnection, 0)) {
            Handle(*event);
        }
    }

    std::unique_ptr<DesktopConnection> mConnection;
    std::string mDisplay;
    std::unique_ptr<scrap::ClipboardBackend> mFolder;
    xcb_window_t mWindow = XCB_WINDOW_NONE;
    xcb_atom_t mClipboardAtom = XCB_ATOM_NONE;
    uint8_t mXfixesEvent = 0;
    // Changes of the clipboard's owner announced so far: the same owner with new content is a
    // change too.
    unsigned long mChanges = 0;
    // The window of the server started by our last clear.
    xcb_window_t mServerWindow = XCB_WINDOW_NONE;
    // Our turn to paste, held from a clear until the paste was fetched.
    PasteTurn mTurn;
    // The generation answered last for another owner, or for none, while it is in use.
    std::weak_ptr<ClipboardGeneration> mLast;
    xcb_window_t mLastOwner = XCB_WINDOW_NONE;
    unsigned long mLastChanges = 0;
};

}  // namespace

Result<std::unique_ptr<scrap::ClipboardBackend>> MakeDesktopClipboard(const char* display)
{
    Result<std::unique_ptr<DesktopConnection>> connection = DesktopConnection::Open(display);
    if (!connection.Ok()) {
        return connection.Error();
    }
    const char* name = display != nullptr && display[0] != '\0' ? display : std::getenv("DISPLAY");
    return std::unique_ptr<scrap::ClipboardBackend>(
        std::make_unique<DesktopClipboard>(std::move(connection.Value()), name));
}

}  // namespace platform::desktop
