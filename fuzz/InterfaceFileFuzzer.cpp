// The interface-file reader over any bytes: a file from any bundle is either read within the
// reader's limits or refused with a reason, and a refused file leaves nothing behind.
#include "LiveObjectGuard.h"

#include "hitoolbox/InterfaceFile.h"

#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LiveObjectGuard guard;
    platform::ui::InterfaceFile file;
    std::string error;
    bool read = platform::ui::ReadInterfaceFile(std::string_view(reinterpret_cast<const char*>(data), size), file, error);
    if (read) {
        if (file.windows.size() > platform::ui::kMaxWindows) {
            std::abort();
        }
        for (const auto& [name, window] : file.windows) {
            if (window.controls.size() > platform::ui::kMaxControlsPerWindow) {
                std::abort();
            }
        }
    } else if (!file.windows.empty() || error.empty()) {
        std::abort();
    }
    return 0;
}
