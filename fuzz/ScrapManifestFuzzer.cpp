// The clipboard manifest reader over any bytes: any process of the user can write a manifest, so
// it is read within the limits or refused; what reads is written back to the same text.
#include "LiveObjectGuard.h"

#include "scrap/ScrapManifest.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace platform::scrap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LiveObjectGuard guard;
    platform::Result<std::vector<ManifestEntry>> read = ReadManifest(data, size);
    if (!read.Ok()) {
        if (read.Reason().empty()) {
            std::abort();
        }
        return 0;
    }
    const std::vector<ManifestEntry>& entries = read.Value();
    if (entries.size() > kMaxManifestFlavors) {
        std::abort();
    }
    // Well-formed means one way to write it: the text that was read is the text that is written.
    std::string written = WriteManifest(entries);
    if (written != std::string(reinterpret_cast<const char*>(data), size)) {
        platform::Result<std::vector<ManifestEntry>> again =
            ReadManifest(reinterpret_cast<const unsigned char*>(written.data()), written.size());
        if (!again.Ok() || again.Value() != entries) {
            std::abort();
        }
    }
    return 0;
}
