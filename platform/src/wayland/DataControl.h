// The compositor's data-control: the clipboard and the primary selection of the seat as a program
// without a window sees them. Two families of the same interface exist under two names,
// ext_data_control_v1 (KDE Plasma 6, Hyprland, newer wlroots) and zwlr_data_control_unstable_v1
// (older wlroots, version 2 for the primary selection). They have the same requests and events in
// the same order with the same arguments, so one implementation speaks both: it sends each request
// by its number with the family's own interfaces for the objects it makes, and hears each event
// through one listener layout.
#pragma once

#include "desktop/SelectionTransfer.h"
#include "wayland/WaylandConnection.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform::wayland {

// The four interfaces of one family.
struct DataControlFamily {
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    const wl_interface* offer;
    // The version the primary selection comes with.
    uint32_t primaryVersion;
};
const DataControlFamily& ExtDataControl();
const DataControlFamily& WlrDataControl();

// What a source of ours hears: an application asks for one of its types (the bytes go into fd,
// which the source then owns and closes), or another program has taken the selection.
struct SourceEvents {
    void (*send)(void* data, wl_proxy* source, const char* type, int32_t fd);
    void (*cancelled)(void* data, wl_proxy* source);
};

class DataControl {
public:
    // What an application holds on a selection: the types it offers, as the compositor told them.
    // Destroyed with the last owner.
    struct Offer {
        wl_proxy* proxy = nullptr;
        std::vector<std::string> types;
        ~Offer();
    };

    // The seat's data-control of the family the compositor offers (ext before zwlr); fails with
    // kPlatformNoDesktopErr when it offers neither, or no seat.
    static Result<std::unique_ptr<DataControl>> Open(WaylandConnection& connection);
    // The same with that family.
    static Result<std::unique_ptr<DataControl>> Open(WaylandConnection& connection, const DataControlFamily& family);
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    // The clipboard's and the primary selection's offers as the events dispatched so far left
    // them; nullptr when empty. Each new content is a new offer.
    const std::shared_ptr<Offer>& Selection() const { return mSelection; }
    const std::shared_ptr<Offer>& Primary() const { return mPrimary; }
    // Whether the compositor tells of the primary selection at all.
    bool HasPrimary() const;
    // The compositor took the data-control away (the seat went).
    bool Finished() const { return mFinished; }

    // Asks the offer's owner for that type and hands the bytes to sink as they arrive, through a
    // pipe: a failure when it sends more than most bytes, stays silent longer than the patience's
    // eachAnswer, or has not closed the pipe by its overall time (the reason is then
    // desktop::kOverallTimeRanOut).
    Result<void> Receive(const Offer& offer, const std::string& type, desktop::AnswerSink& sink, size_t most,
                         const desktop::TransferPatience& patience);

    // A source of ours, which events go to with data.
    wl_proxy* CreateSource(const SourceEvents* events, void* data);
    void OfferType(wl_proxy* source, const std::string& type);
    void SetSelection(wl_proxy* source);
    // Only where HasPrimary().
    void SetPrimarySelection(wl_proxy* source);
    void DestroySource(wl_proxy* source);

private:
    DataControl(WaylandConnection& connection, const DataControlFamily& family, wl_proxy* manager, wl_proxy* device);
    static void OnDataOffer(void* data, wl_proxy* device, wl_proxy* offer);
    static void OnSelection(void* data, wl_proxy* device, wl_proxy* offer);
    static void OnFinished(void* data, wl_proxy* device);
    static void OnPrimarySelection(void* data, wl_proxy* device, wl_proxy* offer);
    static void OnOfferType(void* data, wl_proxy* offer, const char* type);
    std::shared_ptr<Offer> Introduced(wl_proxy* offer);

    WaylandConnection& mConnection;
    const DataControlFamily& mFamily;
    wl_proxy* mManager;
    wl_proxy* mDevice;
    // Offers introduced whose selection event has not come yet.
    std::map<wl_proxy*, std::shared_ptr<Offer>> mIntroduced;
    std::shared_ptr<Offer> mSelection;
    std::shared_ptr<Offer> mPrimary;
    bool mFinished = false;
};

}  // namespace platform::wayland
