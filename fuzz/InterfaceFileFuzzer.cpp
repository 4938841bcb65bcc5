// The interface-file reader over any bytes: a file from any bundle is either read within the
// reader's limits or refused with a reason.
#include "LiveObjectGuard.h"

#include "hitoolbox/InterfaceFile.h"

#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LiveObjectGuard guard;
    platform::Result<platform::ui::InterfaceFile> read =
        platform::ui::ReadInterfaceFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (read.Ok()) {
        if (read->windows.size() > platform::ui::kMaxWindows) {
            std::abort();
        }
        for (const auto& [name, window] : read->windows) {
            if (window.controls.size() > platform::ui::kMaxControlsPerWindow) {
                std::abort();
            }
        }
    } else if (read.Reason().empty()) {
        std::abort();
    }
    return 0;
}
