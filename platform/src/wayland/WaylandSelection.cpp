#include "wayland/WaylandSelection.h"

#include "base/Warnings.h"
#include "desktop/DesktopSelection.h"
#include "wayland/DataControl.h"

#include <algorithm>
#include <chrono>

namespace platform::wayland {
namespace {

// How long the owner of the selected text may take to give it: the menu is waiting.
constexpr std::chrono::seconds kSelectedTextPatience{5};

}  // namespace

CFStringRef CopyWaylandSelectedText(const char* display)
{
    Result<std::unique_ptr<WaylandConnection>> connection = WaylandConnection::Open(display);
    if (!connection.Ok()) {
        return nullptr;
    }
    Result<std::unique_ptr<DataControl>> opened = DataControl::Open(*connection.Value());
    if (!opened.Ok()) {
        return nullptr;
    }
    std::unique_ptr<DataControl>& control = opened.Value();
    if (!control->HasPrimary() || !control->Primary()) {
        return nullptr;
    }
    const DataControl::Offer& offer = *control->Primary();
    // UTF-8 when offered, else Latin-1 (STRING), as on X11; text/plain is UTF-8 on Wayland.
    for (const char* type : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING"}) {
        if (std::find(offer.types.begin(), offer.types.end(), type) == offer.types.end()) {
            continue;
        }
        desktop::TransferPatience patience;
        patience.eachAnswer = kSelectedTextPatience;
        patience.overall = std::chrono::steady_clock::now() + kSelectedTextPatience;
        desktop::StringSink text;
        if (Result<void> received = control->Receive(offer, type, text, desktop::kMaxSelectionAnswerBytes, patience);
            !received.Ok()) {
            ReportWarning("the text selected on the desktop was taken as none: " + received.Reason());
            return nullptr;
        }
        return desktop::CreateSelectedText(std::move(text.answer), std::string_view(type) == "STRING");
    }
    return nullptr;
}

}  // namespace platform::wayland
