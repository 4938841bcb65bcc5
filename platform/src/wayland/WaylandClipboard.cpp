#include "wayland/WaylandClipboard.h"

#include "base/Warnings.h"
#include "desktop/ClipboardServerLaunch.h"
#include "desktop/ForeignGeneration.h"
#include "desktop/MimeFlavors.h"
#include "desktop/PasteTurn.h"
#include "scrap/ClipboardFolder.h"
#include "desktop/UnownedGeneration.h"
#include "scrap/ScrapError.h"
#include "wayland/DataControl.h"
#include "wayland/WaylandClipboardServer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace platform::wayland {
namespace {

using scrap::ClipboardGeneration;
using scrap::FailScrap;

// The application behind one offer: its types are known from the offer, its bytes come through
// the compositor when asked for.
class OfferOwner final : public desktop::ClipboardOwner {
public:
    OfferOwner(DataControl& control, std::shared_ptr<DataControl::Offer> offer)
        : mControl(control), mOffer(std::move(offer))
    {
    }
    Result<std::vector<std::string>> ListTargets() override { return mOffer->types; }
    Result<void> Receive(const std::string& target, desktop::AnswerSink& sink, size_t most,
                         const desktop::TransferPatience& patience) override
    {
        return mControl.Receive(*mOffer, target, sink, most, patience);
    }

private:
    DataControl& mControl;
    std::shared_ptr<DataControl::Offer> mOffer;
};

// A generation of another application's, with the owner it reads from.
struct OfferedGeneration {
    OfferedGeneration(DataControl& control, std::shared_ptr<DataControl::Offer> offer)
        : owner(control, std::move(offer)), generation(owner)
    {
    }
    OfferOwner owner;
    desktop::ForeignGeneration generation;
};

// The number of flavors our server's offer stands for, when the offer is the server's of that
// mark (the mark's prefix and the server's token).
std::optional<size_t> ServedCount(const DataControl::Offer& offer, const std::string& mark)
{
    for (const std::string& type : offer.types) {
        if (type.size() > mark.size() && type.starts_with(mark)) {
            return std::strtoull(type.c_str() + mark.size(), nullptr, 10);
        }
    }
    return std::nullopt;
}

// How long a put waits for the compositor to offer what it put: far longer than our server takes,
// only so that a server that died cannot hold the put for ever.
constexpr auto kAnnouncePatience = std::chrono::seconds(10);

// The desktop folder's generation that our server offers. A flavor put reaches applications only
// once the server has announced it to the compositor: a put returns once it has.
class ServedGeneration final : public ClipboardGeneration {
public:
    ServedGeneration(std::shared_ptr<ClipboardGeneration> folder, std::function<void(size_t)> waitForAnnounce)
        : mFolder(std::move(folder)), mWaitForAnnounce(std::move(waitForAnnounce))
    {
    }
    OSStatus Refresh() override { return mFolder->Refresh(); }
    size_t Count() const override { return mFolder->Count(); }
    const scrap::ManifestEntry& EntryAt(size_t index) const override { return mFolder->EntryAt(index); }
    OSStatus Put(ScrapFlavorType type, ScrapFlavorFlags flags, Size size, const void* data) override
    {
        OSStatus status = mFolder->Put(type, flags, size, data);
        if (status == noErr) {
            mWaitForAnnounce(mFolder->Count());
        }
        return status;
    }
    OSStatus Fetch(size_t index) override { return mFolder->Fetch(index); }
    OSStatus ReadData(size_t index, Size* byteCount, void* destination) override
    {
        return mFolder->ReadData(index, byteCount, destination);
    }
    const ClipboardGeneration* Folder() const { return mFolder.get(); }

private:
    std::shared_ptr<ClipboardGeneration> mFolder;
    std::function<void(size_t)> mWaitForAnnounce;
};

class WaylandClipboard final : public scrap::ClipboardBackend {
public:
    WaylandClipboard(std::unique_ptr<WaylandConnection> connection, std::unique_ptr<DataControl> control,
                     std::string socket)
        : mConnection(std::move(connection)), mControl(std::move(control)), mSocket(std::move(socket)),
          mFolder(scrap::MakeFolderClipboard(FolderNameFor(mSocket), false))
    {
    }

    // The application has been told to paste: the turn goes once it fetched our content.
    void PasteTyped() override
    {
        if (!mTurn.Held()) {
            return;
        }
        ScopedFd folder;
        if (scrap::OpenClipboardFolder(folder, FolderNameFor(mSocket)) != noErr) {
            mTurn.Finish([](std::chrono::milliseconds) { return true; });
            return;
        }
        const std::string mark = kFetchedMarkPrefix + mServerToken;
        mTurn.Finish([&](std::chrono::milliseconds wait) {
            if (::faccessat(folder.Get(), mark.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
                return true;
            }
            std::this_thread::sleep_for(std::min(wait, std::chrono::milliseconds(10)));
            return false;
        });
        ::unlinkat(folder.Get(), mark.c_str(), 0);
    }

    OSStatus Current(std::shared_ptr<ClipboardGeneration>& generation) override
    {
        // The answer to a round trip comes after every selection event sent before it.
        if (mControl->Finished() || !mConnection->Roundtrip()) {
            return FailScrap(internalScrapErr, "the Wayland compositor closed the connection");
        }
        const std::shared_ptr<DataControl::Offer>& offer = mControl->Selection();
        // Our server's offer holds only the desktop folder's generation it was started for.
        if (offer && !mServerMark.empty() && ServedCount(*offer, mServerMark)) {
            return Served(generation);
        }
        if (auto known = mLast.lock(); known && offer == mLastOffer.lock() && (offer || mLastWasEmpty)) {
            generation = known;
            return noErr;
        }
        if (!offer) {
            // Nobody holds the clipboard: it is empty, and the first flavor put makes it ours.
            generation = std::make_shared<desktop::UnownedGeneration>([this](std::shared_ptr<ClipboardGeneration>& taken) {
                OSStatus status = Clear(false);
                return status == noErr ? Current(taken) : status;
            });
        } else {
            auto offered = std::make_shared<OfferedGeneration>(*mControl, offer);
            generation = std::shared_ptr<ClipboardGeneration>(offered, &offered->generation);
        }
        mLast = generation;
        mLastOffer = offer;
        mLastWasEmpty = !offer;
        return noErr;
    }

    OSStatus Clear(bool concealed) override
    {
        mTurn.Take(FolderNameFor(mSocket));
        OSStatus status = mFolder->Clear(concealed);
        if (status != noErr) {
            return status;
        }
        std::string token;
        Result<desktop::ServerLaunch> launch =
            desktop::LaunchClipboardServer({kWaylandServerArgument, mSocket, FolderNameFor(mSocket)}, concealed, token);
        if (!launch.Ok()) {
            return FailScrap(internalScrapErr, "the clipboard could not be taken: " + launch.Reason());
        }
        switch (launch.Value()) {
        case desktop::ServerLaunch::kServing:
            mServerToken = token;
            mServerMark = std::string(desktop::kServerMarkPrefix) + token + "-";
            return noErr;
        case desktop::ServerLaunch::kTakenMeanwhile:
            // As when another process clears the shared clipboard between our clear and our puts.
            return FailScrap(badScrapRefErr, "another program took the clipboard at the same moment");
        }
        return FailScrap(internalScrapErr, "the clipboard could not be taken");
    }

private:
    OSStatus Served(std::shared_ptr<ClipboardGeneration>& generation)
    {
        std::shared_ptr<ClipboardGeneration> folder;
        if (OSStatus status = mFolder->Current(folder); status != noErr) {
            return status;
        }
        if (auto served = mServed.lock(); served && served->Folder() == folder.get()) {
            generation = served;
            return noErr;
        }
        auto served = std::make_shared<ServedGeneration>(std::move(folder), [this](size_t count) { WaitForAnnounce(count); });
        mServed = served;
        generation = std::move(served);
        return noErr;
    }

    // Waits until the compositor offers the flavors our server serves, count of them, or the
    // clipboard is no longer ours.
    void WaitForAnnounce(size_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + kAnnouncePatience;
        while (mConnection->Roundtrip() && !mControl->Finished()) {
            const std::shared_ptr<DataControl::Offer>& offer = mControl->Selection();
            const std::optional<size_t> served = offer ? ServedCount(*offer, mServerMark) : std::nullopt;
            if (!served || *served >= count) {
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ReportWarning("the desktop's clipboard server did not offer what was put within " +
                              std::to_string(kAnnouncePatience.count()) + " s");
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    // One desktop folder per compositor, so that two compositors of the user never share flavors.
    static std::string FolderNameFor(const std::string& socket)
    {
        std::string name = "clipboard-wayland-";
        for (char c : socket) {
            name += (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.') ? c : '_';
        }
        return name;
    }

    std::unique_ptr<WaylandConnection> mConnection;
    std::unique_ptr<DataControl> mControl;  // gone before the connection
    std::string mSocket;
    std::unique_ptr<scrap::ClipboardBackend> mFolder;
    // Our last server's token, and how its marks begin.
    std::string mServerToken;
    std::string mServerMark;
    // Our turn to paste, held from a clear until the paste was fetched.
    desktop::PasteTurn mTurn;
    std::weak_ptr<ServedGeneration> mServed;
    // The generation answered last for another application's offer, or for none, while it is in use.
    std::weak_ptr<ClipboardGeneration> mLast;
    std::weak_ptr<DataControl::Offer> mLastOffer;
    bool mLastWasEmpty = false;
};

}  // namespace

Result<std::unique_ptr<scrap::ClipboardBackend>> MakeWaylandClipboard(const char* display)
{
    Result<std::unique_ptr<WaylandConnection>> connection = WaylandConnection::Open(display);
    if (!connection.Ok()) {
        return connection.Error();
    }
    Result<std::unique_ptr<DataControl>> control = DataControl::Open(*connection.Value());
    if (!control.Ok()) {
        return control.Error();
    }
    const char* name = display != nullptr && display[0] != '\0' ? display : std::getenv("WAYLAND_DISPLAY");
    return std::unique_ptr<scrap::ClipboardBackend>(
        std::make_unique<WaylandClipboard>(std::move(connection.Value()), std::move(control.Value()), name));
}

}  // namespace platform::wayland
