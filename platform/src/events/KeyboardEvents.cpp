// Posted keystrokes: each goes, at once and in order, to the keyboard sink of the front
// application, with the event-state combining setting that was in force when it was posted. On the
// desktop (Wayland or X11) each is typed into the focused window first, and the sink still hears
// of it, so that a host can tell what was typed.
#include <ApplicationServices/ApplicationServices.h>
#include <PlatformHost.h>

#include "desktop/DesktopKeyboard.h"
#include "scrap/ClipboardBackend.h"
#include "wayland/WaylandDesktop.h"
#include "wayland/WaylandKeyboard.h"

#include <atomic>
#include <mutex>

namespace {

struct KeyboardSink {
    PlatformKeyboardSink sink = nullptr;
    void* context = nullptr;
};

std::mutex gSinkMutex;
KeyboardSink gSink;
// Per process, on when it starts, as on the original platform.
std::atomic<bool> gStateCombining{true};
// A 'v' went down since the paste began: once combining comes back on, the paste's keys are all
// typed, and the clipboard waits for the application to fetch what it pastes.
std::atomic<bool> gPasteTyped{false};
constexpr CGKeyCode kVirtualKeyV = 9;

// Types the event on the desktop whose keyboard is connected: the Wayland compositor's virtual
// keyboard, else on a Wayland desktop that gave none its portal (or nobody), else the X11 display.
CGError TypeOnConnectedDesktop(const PlatformKeyboardEvent& event)
{
    if (platform::wayland::WaylandKeyboardConnected()) {
        return platform::wayland::TypeOnWayland(event);
    }
    if (PlatformCurrentDesktop() == kPlatformDesktopWayland) {
        return platform::wayland::TypeWithoutVirtualKeyboard(event);
    }
    return platform::desktop::TypeOnDesktop(event);
}

// The sink is called with no lock held, so it may post events or change the sink itself.
void Deliver(const PlatformKeyboardEvent& event)
{
    KeyboardSink current;
    {
        std::lock_guard lock(gSinkMutex);
        current = gSink;
    }
    if (current.sink != nullptr) {
        current.sink(current.context, &event);
    }
}

}  // namespace

extern "C" {

void PlatformSetKeyboardSink(PlatformKeyboardSink sink, void* context)
{
    std::lock_guard lock(gSinkMutex);
    gSink.sink = sink;
    gSink.context = sink != nullptr ? context : nullptr;
}

CGError CGPostKeyboardEvent(CGCharCode keyChar, CGKeyCode virtualKey, boolean_t keyDown)
{
    PlatformKeyboardEvent event{};
    event.kind = kPlatformKeyEvent;
    event.charCode = keyChar;
    event.keyCode = virtualKey;
    event.keyDown = keyDown != 0;
    event.stateCombining = gStateCombining.load();
    const CGError typed = TypeOnConnectedDesktop(event);
    if (event.keyDown && virtualKey == kVirtualKeyV)
        gPasteTyped = true;
    Deliver(event);
    return typed;
}

CGError CGEnableEventStateCombining(boolean_t combineState)
{
    const bool enabled = combineState != 0;
    gStateCombining.store(enabled);
    // Every call is reported, also one that leaves the setting as it was: the front application
    // sees exactly what the poster asked for, in order with the keys.
    PlatformKeyboardEvent event{};
    event.kind = kPlatformStateCombiningChanged;
    event.stateCombining = enabled;
    const CGError typed = TypeOnConnectedDesktop(event);
    if (enabled && gPasteTyped.exchange(false))
        platform::scrap::TellClipboardPasteTyped();
    Deliver(event);
    return typed;
}

}  // extern "C"
