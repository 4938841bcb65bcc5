// The X11 CLIPBOARD selection as the Scrap Manager's clipboard. What another application holds is
// read from it, target by target, when it is asked for (listing the flavors asks only for the
// targets). What this process puts goes into a clipboard folder of the desktop's own, whose current
// generation a small server process of ours offers on the CLIPBOARD for as long as it owns it, also
// after this process has exited.
#pragma once

#include "base/Result.h"
#include "scrap/ClipboardBackend.h"

#include <chrono>
#include <memory>
#include <string>

namespace platform::desktop {

// The clipboard of the display named (NULL or "": $DISPLAY); fails with kPlatformNoDesktopErr when
// the display cannot be used.
Result<std::unique_ptr<scrap::ClipboardBackend>> MakeDesktopClipboard(const char* display);

// How long a whole read of another application's clipboard may take from the first flavor asked
// for (30 s unless a test shortens it).
void SetWholeReadPatienceForTesting(std::chrono::milliseconds patience);

}  // namespace platform::desktop
