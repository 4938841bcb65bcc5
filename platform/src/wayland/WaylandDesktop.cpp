#include "wayland/WaylandDesktop.h"

#include "base/Warnings.h"
#include "desktop/DesktopClipboard.h"
#include "desktop/DesktopSelection.h"
#include "scrap/ClipboardBackend.h"
#include "wayland/PortalKeyboard.h"
#include "wayland/WaylandClipboard.h"
#include "wayland/WaylandConnection.h"
#include "wayland/WaylandKeyboard.h"

#include <cstdlib>
#include <mutex>

namespace platform::wayland {
namespace {

// The virtual key that the paste's 'v' is posted as.
constexpr CGKeyCode kVirtualKeyV = 9;

// Who types the paste keystroke where the compositor gave no virtual keyboard.
enum class Typist { NotAskedYet, Portal, Nobody };

std::mutex gTypistMutex;
Typist gTypist = Typist::NotAskedYet;
std::string gNoVirtualKeyboard;  // why the compositor gave none
std::string gNobody;             // why nobody can type, told once at the paste
bool gToldNobody = false;

}  // namespace

Result<void> UseWaylandDesktop()
{
    // Named once, so that every part talks to the same compositor even if the environment changes.
    const char* named = std::getenv("WAYLAND_DISPLAY");
    const std::string display = named != nullptr ? named : "";
    Result<std::unique_ptr<WaylandConnection>> opened = WaylandConnection::Open(display.c_str());
    if (!opened.Ok()) {
        return Failure{kPlatformNoDesktopErr, 0, opened.Reason()};
    }
    std::unique_ptr<WaylandConnection> connection = std::move(opened.Value());
    const bool dataControl = connection->Find("ext_data_control_manager_v1") != nullptr ||
                             connection->Find("zwlr_data_control_manager_v1") != nullptr;
    connection.reset();

    std::unique_ptr<scrap::ClipboardBackend> clipboard;
    std::string xDisplay;
    if (dataControl) {
        Result<std::unique_ptr<scrap::ClipboardBackend>> made = MakeWaylandClipboard(display.c_str());
        if (!made.Ok()) {
            return Failure{kPlatformNoDesktopErr, 0, made.Reason()};
        }
        clipboard = std::move(made.Value());
    } else {
        // GNOME lets no Wayland client at the clipboard, but keeps its XWayland's CLIPBOARD and
        // PRIMARY one with its own.
        const char* x = std::getenv("DISPLAY");
        if (x == nullptr || x[0] == '\0') {
            return Failure{kPlatformNoDesktopErr, 0,
                           "the Wayland compositor lets no program at the clipboard (it offers no data-control), and "
                           "there is no XWayland display (DISPLAY) to reach it through"};
        }
        xDisplay = x;
        Result<std::unique_ptr<scrap::ClipboardBackend>> made = desktop::MakeDesktopClipboard(xDisplay.c_str());
        if (!made.Ok()) {
            return Failure{kPlatformNoDesktopErr, 0, made.Reason()};
        }
        clipboard = std::move(made.Value());
    }

    const Result<void> virtualKeyboard = ConnectWaylandKeyboard(display.c_str());
    {
        std::lock_guard lock(gTypistMutex);
        gTypist = Typist::NotAskedYet;
        gNoVirtualKeyboard = virtualKeyboard.Ok() ? "" : virtualKeyboard.Reason();
        gToldNobody = false;
    }
    scrap::InstallClipboardBackend(std::move(clipboard));
    if (dataControl) {
        desktop::UseCompositorForSelectedText(display.c_str());
    } else {
        desktop::UseDisplayForSelectedText(xDisplay.c_str());
    }
    return {};
}

CGError TypeWithoutVirtualKeyboard(const PlatformKeyboardEvent& event)
{
    std::lock_guard lock(gTypistMutex);
    if (gTypist == Typist::NotAskedYet) {
        const Result<void> portal = ConnectPortalKeyboard();
        if (portal.Ok()) {
            gTypist = Typist::Portal;
        } else {
            const std::string& why = portal.Reason();
            gTypist = Typist::Nobody;
            gNobody = gNoVirtualKeyboard.empty() ? why : gNoVirtualKeyboard + "; " + why;
        }
    }
    if (gTypist == Typist::Portal) {
        return TypeThroughPortal(event);
    }
    if (event.kind == kPlatformKeyEvent && event.keyDown && event.keyCode == kVirtualKeyV && !gToldNobody) {
        gToldNobody = true;
        ReportWarning("the clip is on the clipboard: press Control-V to paste it (this desktop lets no program type "
                      "it: " + gNobody + ")");
    }
    return kCGErrorSuccess;
}

}  // namespace platform::wayland
