#include "wayland/DataControl.h"

#include "base/ErrnoStatus.h"
#include "base/ScopedFd.h"

#include "ext-data-control-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"

#include <Carbon/Scrap.h>
#include <PlatformHost.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace platform::wayland {
namespace {

// The requests' numbers, the same in both families (the scanner's names for them are per family).
enum ManagerRequest : uint32_t { kCreateDataSource = 0, kGetDataDevice = 1, kManagerDestroy = 2 };
enum DeviceRequest : uint32_t { kSetSelection = 0, kDeviceDestroy = 1, kSetPrimarySelection = 2 };
enum SourceRequest : uint32_t { kOffer = 0, kSourceDestroy = 1 };
enum OfferRequest : uint32_t { kReceive = 0, kOfferDestroy = 1 };

static_assert(ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == kGetDataDevice &&
              EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == kGetDataDevice &&
              ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION == kSetPrimarySelection &&
              EXT_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION == kSetPrimarySelection &&
              ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE == kReceive && EXT_DATA_CONTROL_OFFER_V1_RECEIVE == kReceive &&
              ZWLR_DATA_CONTROL_SOURCE_V1_OFFER == kOffer && EXT_DATA_CONTROL_SOURCE_V1_OFFER == kOffer);

// The events' layouts, the same in both families.
struct DeviceEvents {
    void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
    void (*selection)(void*, wl_proxy*, wl_proxy*);
    void (*finished)(void*, wl_proxy*);
    void (*primarySelection)(void*, wl_proxy*, wl_proxy*);
};
struct OfferEvents {
    void (*offer)(void*, wl_proxy*, const char*);
};

void Destroy(wl_proxy* proxy, uint32_t opcode)
{
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

// Waits for the pipe to be readable, at most until deadline; false when the time ran out.
bool WaitReadable(int fd, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd waiting = {fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

}  // namespace

const DataControlFamily& ExtDataControl()
{
    static const DataControlFamily family = {&ext_data_control_manager_v1_interface,
                                             &ext_data_control_device_v1_interface,
                                             &ext_data_control_source_v1_interface,
                                             &ext_data_control_offer_v1_interface, 1};
    return family;
}

const DataControlFamily& WlrDataControl()
{
    static const DataControlFamily family = {&zwlr_data_control_manager_v1_interface,
                                             &zwlr_data_control_device_v1_interface,
                                             &zwlr_data_control_source_v1_interface,
                                             &zwlr_data_control_offer_v1_interface, 2};
    return family;
}

DataControl::Offer::~Offer()
{
    Destroy(proxy, kOfferDestroy);
}

Result<std::unique_ptr<DataControl>> DataControl::Open(WaylandConnection& connection)
{
    if (connection.Find(ExtDataControl().manager->name) != nullptr) {
        return Open(connection, ExtDataControl());
    }
    if (connection.Find(WlrDataControl().manager->name) != nullptr) {
        return Open(connection, WlrDataControl());
    }
    return Failure{kPlatformNoDesktopErr, 0,
                   "the Wayland compositor offers no data-control (ext_data_control_v1 or zwlr_data_control_v1)"};
}

Result<std::unique_ptr<DataControl>> DataControl::Open(WaylandConnection& connection, const DataControlFamily& family)
{
    wl_seat* seat = connection.Seat();
    auto* manager = static_cast<wl_proxy*>(connection.Bind(family.manager, family.manager->version));
    if (seat == nullptr || manager == nullptr) {
        if (manager != nullptr) {
            Destroy(manager, kManagerDestroy);
        }
        return Failure{kPlatformNoDesktopErr, 0,
                       seat == nullptr ? "the Wayland compositor has no seat"
                                       : std::string("the Wayland compositor does not offer ") + family.manager->name};
    }
    wl_proxy* device = wl_proxy_marshal_flags(manager, kGetDataDevice, family.device, wl_proxy_get_version(manager),
                                              0, nullptr, seat);
    std::unique_ptr<DataControl> control(new DataControl(connection, family, manager, device));
    static const DeviceEvents kDeviceEvents = {OnDataOffer, OnSelection, OnFinished, OnPrimarySelection};
    wl_proxy_add_listener(device, reinterpret_cast<void (**)(void)>(const_cast<DeviceEvents*>(&kDeviceEvents)),
                          control.get());
    // The device tells the selections as they are now before the answer.
    if (!connection.Roundtrip()) {
        return Failure{kPlatformNoDesktopErr, 0, "the Wayland compositor refused its data-control"};
    }
    return control;
}

DataControl::DataControl(WaylandConnection& connection, const DataControlFamily& family, wl_proxy* manager,
                         wl_proxy* device)
    : mConnection(connection), mFamily(family), mManager(manager), mDevice(device)
{
}

DataControl::~DataControl()
{
    mIntroduced.clear();
    mSelection.reset();
    mPrimary.reset();
    Destroy(mDevice, kDeviceDestroy);
    Destroy(mManager, kManagerDestroy);
    wl_display_flush(mConnection.Get());
}

bool DataControl::HasPrimary() const
{
    return wl_proxy_get_version(mManager) >= mFamily.primaryVersion;
}

std::shared_ptr<DataControl::Offer> DataControl::Introduced(wl_proxy* offer)
{
    if (offer == nullptr) {
        return nullptr;
    }
    auto found = mIntroduced.find(offer);
    if (found == mIntroduced.end()) {
        return nullptr;
    }
    std::shared_ptr<Offer> taken = std::move(found->second);
    mIntroduced.erase(found);
    return taken;
}

void DataControl::OnDataOffer(void* data, wl_proxy*, wl_proxy* offer)
{
    auto* control = static_cast<DataControl*>(data);
    auto made = std::make_shared<Offer>();
    made->proxy = offer;
    static const OfferEvents kOfferEvents = {OnOfferType};
    wl_proxy_add_listener(offer, reinterpret_cast<void (**)(void)>(const_cast<OfferEvents*>(&kOfferEvents)),
                          made.get());
    control->mIntroduced[offer] = std::move(made);
}

void DataControl::OnOfferType(void* data, wl_proxy*, const char* type)
{
    static_cast<Offer*>(data)->types.emplace_back(type);
}

void DataControl::OnSelection(void* data, wl_proxy*, wl_proxy* offer)
{
    auto* control = static_cast<DataControl*>(data);
    control->mSelection = control->Introduced(offer);
}

void DataControl::OnPrimarySelection(void* data, wl_proxy*, wl_proxy* offer)
{
    auto* control = static_cast<DataControl*>(data);
    control->mPrimary = control->Introduced(offer);
}

void DataControl::OnFinished(void* data, wl_proxy*)
{
    static_cast<DataControl*>(data)->mFinished = true;
}

Result<void> DataControl::Receive(const Offer& offer, const std::string& type, desktop::AnswerSink& sink, size_t most,
                                  const desktop::TransferPatience& patience)
{
    // Every way a transfer fails leaves the flavor unread, which the clipboard's callers answer alike.
    auto failed = [](std::string reason) { return Failure{internalScrapErr, 0, std::move(reason)}; };
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return ErrnoFailure("no pipe could be made to receive the clipboard", errno);
    }
    ScopedFd readEnd(fds[0]);
    ScopedFd writeEnd(fds[1]);
    wl_proxy_marshal_flags(offer.proxy, kReceive, nullptr, wl_proxy_get_version(offer.proxy), 0, type.c_str(),
                           writeEnd.Get());
    if (wl_display_flush(mConnection.Get()) < 0) {
        return failed("the Wayland compositor closed the connection");
    }
    // Only the owner holds the write end now: its closing ends the answer.
    writeEnd.Reset();
    std::string piece(1 << 16, '\0');
    size_t received = 0;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        const bool overallFirst = patience.overall < now + patience.eachAnswer;
        if (!WaitReadable(readEnd.Get(), overallFirst ? patience.overall : now + patience.eachAnswer)) {
            return failed(overallFirst ? desktop::kOverallTimeRanOut
                                       : "the application holding the clipboard stopped answering for " +
                                             std::to_string(patience.eachAnswer.count() / 1000) + " s");
        }
        const ssize_t count = ::read(readEnd.Get(), piece.data(), piece.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ErrnoFailure("the clipboard's answer could not be read", errno);
        }
        if (count == 0) {
            return {};
        }
        received += static_cast<size_t>(count);
        if (received > most) {
            return failed("the application holding the clipboard sent more than a flavor can hold");
        }
        if (Result<void> taken = sink.Take(std::string_view(piece.data(), static_cast<size_t>(count))); !taken.Ok()) {
            return taken;
        }
    }
}

wl_proxy* DataControl::CreateSource(const SourceEvents* events, void* data)
{
    wl_proxy* source = wl_proxy_marshal_flags(mManager, kCreateDataSource, mFamily.source,
                                              wl_proxy_get_version(mManager), 0, nullptr);
    wl_proxy_add_listener(source, reinterpret_cast<void (**)(void)>(const_cast<SourceEvents*>(events)), data);
    return source;
}

void DataControl::OfferType(wl_proxy* source, const std::string& type)
{
    wl_proxy_marshal_flags(source, kOffer, nullptr, wl_proxy_get_version(source), 0, type.c_str());
}

void DataControl::SetSelection(wl_proxy* source)
{
    wl_proxy_marshal_flags(mDevice, kSetSelection, nullptr, wl_proxy_get_version(mDevice), 0, source);
}

void DataControl::SetPrimarySelection(wl_proxy* source)
{
    wl_proxy_marshal_flags(mDevice, kSetPrimarySelection, nullptr, wl_proxy_get_version(mDevice), 0, source);
}

void DataControl::DestroySource(wl_proxy* source)
{
    Destroy(source, kSourceDestroy);
}

}  // namespace platform::wayland
