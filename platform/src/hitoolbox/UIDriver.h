// The installed UI driver and what the modal loops share.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <PlatformUIDriver.h>

#include <optional>

namespace platform::ui {

// A copy of the driver installed now, if any.
std::optional<PlatformUIDriver> CurrentUIDriver();

// The run-loop mode that modal loops run the run loop in while they wait: only timers of the
// common modes fire in it.
CFStringRef ModalRunLoopMode();

}  // namespace platform::ui
