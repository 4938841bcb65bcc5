// The virtual keys a poster may post, as the desktop's keys (keysyms, the same numbers on X11,
// Wayland and the desktop portal): Command is Control there, the desktop's modifier for Paste.
#pragma once

#include <ApplicationServices/ApplicationServices.h>

#include <cstdint>
#include <optional>

namespace platform::events {

// The keysym of the virtual key; nullopt for a key the desktop is not given a counterpart of.
std::optional<uint32_t> DesktopKeysymForVirtualKey(CGKeyCode virtualKey);

// Whether the keysym is a modifier (Shift_L ... Hyper_R, the ISO level shifts and locks).
bool IsModifierKeysym(uint32_t keysym);

}  // namespace platform::events
