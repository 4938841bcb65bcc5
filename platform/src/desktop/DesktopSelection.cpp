#include "desktop/DesktopSelection.h"

#include "base/Warnings.h"
#include "desktop/DesktopConnection.h"
#include "desktop/SelectionTransfer.h"
#include "wayland/WaylandSelection.h"

#include <PlatformHost.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::desktop {
namespace {

std::mutex gDisplayMutex;
// Where the selected text is read: an X11 display, or a Wayland compositor; neither off the desktop.
std::optional<std::string> gDisplay;
std::optional<std::string> gCompositor;

// The text target to ask for, as the owner lists its targets: UTF-8 when offered, else Latin-1
// (STRING). XCB_ATOM_NONE when the owner offers neither: the selection is not text.
xcb_atom_t TextTarget(DesktopConnection& connection, const std::string& targets)
{
    std::vector<xcb_atom_t> offered(targets.size() / sizeof(xcb_atom_t));
    std::memcpy(offered.data(), targets.data(), offered.size() * sizeof(xcb_atom_t));
    for (xcb_atom_t wanted : {connection.Atom("UTF8_STRING"), static_cast<xcb_atom_t>(XCB_ATOM_STRING)}) {
        for (xcb_atom_t atom : offered) {
            if (atom == wanted) {
                return wanted;
            }
        }
    }
    return XCB_ATOM_NONE;
}

}  // namespace

void UseDisplayForSelectedText(const char* display)
{
    const char* name = display != nullptr && display[0] != '\0' ? display : std::getenv("DISPLAY");
    std::lock_guard lock(gDisplayMutex);
    gDisplay = name != nullptr ? name : "";
    gCompositor.reset();
}

void UseCompositorForSelectedText(const char* compositor)
{
    const char* name = compositor != nullptr && compositor[0] != '\0' ? compositor : std::getenv("WAYLAND_DISPLAY");
    std::lock_guard lock(gDisplayMutex);
    gCompositor = name != nullptr ? name : "";
    gDisplay.reset();
}

void ForgetDisplayForSelectedText()
{
    std::lock_guard lock(gDisplayMutex);
    gDisplay.reset();
    gCompositor.reset();
}

CFStringRef CreateSelectedText(std::string bytes, bool latin1)
{
    while (!bytes.empty() && bytes.back() == '\0') {
        bytes.pop_back();
    }
    // Text that is not what its target says (bytes that are not UTF-8) is no text: NULL.
    return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()),
                                   static_cast<CFIndex>(bytes.size()),
                                   latin1 ? kCFStringEncodingISOLatin1 : kCFStringEncodingUTF8, false);
}

}  // namespace platform::desktop

using namespace platform::desktop;

CFStringRef PlatformCopyDesktopSelectedText(void)
{
    std::optional<std::string> display;
    std::optional<std::string> compositor;
    {
        std::lock_guard lock(gDisplayMutex);
        display = gDisplay;
        compositor = gCompositor;
    }
    if (compositor) {
        return platform::wayland::CopyWaylandSelectedText(compositor->c_str());
    }
    if (!display) {
        return nullptr;
    }
    platform::Result<std::unique_ptr<DesktopConnection>> opened = DesktopConnection::Open(display->c_str());
    if (!opened.Ok()) {
        return nullptr;
    }
    std::unique_ptr<DesktopConnection> connection = std::move(opened.Value());
    xcb_connection_t* c = connection->Get();
    XcbOwned<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, XCB_ATOM_PRIMARY), nullptr));
    // A window of ours could only answer from the thread that is waiting here.
    if (!owner || owner->owner == XCB_NONE || connection->IsWindowOfThisProcess(owner->owner)) {
        return nullptr;
    }
    const xcb_window_t window = connection->MakeHiddenWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
    // Every owner lists its targets (an owner that cannot has no text worth waiting twice for). The
    // menu waits for this: an owner that does not list them soon is told and taken as none.
    TransferPatience quickLook;
    quickLook.eachAnswer = kQuickLookPatience;
    platform::Result<std::string> targets = ConvertSelection(
        *connection, window, XCB_ATOM_PRIMARY, connection->Atom("TARGETS"), nullptr, kMaxSelectionAnswerBytes, quickLook);
    if (!targets.Ok()) {
        platform::ReportWarning("the text selected on the desktop was taken as none: " + targets.Reason());
        return nullptr;
    }
    const xcb_atom_t target = TextTarget(*connection, targets.Value());
    if (target == XCB_ATOM_NONE) {
        return nullptr;
    }
    // Large selections come in pieces (INCR), which the transfer puts together.
    platform::Result<std::string> text = ConvertSelection(*connection, window, XCB_ATOM_PRIMARY, target, nullptr);
    if (!text.Ok()) {
        platform::ReportWarning("the text selected on the desktop was taken as none: " + text.Reason());
        return nullptr;
    }
    return CreateSelectedText(std::move(text.Value()), target == XCB_ATOM_STRING);
}
