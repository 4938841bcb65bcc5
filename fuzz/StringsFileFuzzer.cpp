// The ".strings" table parser over any bytes: a table from any bundle parses, or stops at a fault
// with the line it met it on, and keeps what came before.
#include "LiveObjectGuard.h"

#include "bundle/StringsFile.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LiveObjectGuard guard;
    platform::StringsParseResult result =
        platform::ParseStringsData(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!result.complete && result.error.empty()) {
        std::abort();
    }
    return 0;
}
