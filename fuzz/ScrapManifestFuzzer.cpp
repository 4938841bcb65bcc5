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
    std::vector<ManifestEntry> entries;
    std::string error;
    if (!ReadManifest(data, size, entries, error)) {
        if (!entries.empty() || error.empty()) {
            std::abort();
        }
        return 0;
    }
    if (entries.size() > kMaxManifestFlavors) {
        std::abort();
    }
    // Well-formed means one way to write it: the text that was read is the text that is written.
    std::string written = WriteManifest(entries);
    if (written != std::string(reinterpret_cast<const char*>(data), size)) {
        std::vector<ManifestEntry> again;
        if (!ReadManifest(reinterpret_cast<const unsigned char*>(written.data()), written.size(), again, error) ||
            again != entries) {
            std::abort();
        }
    }
    return 0;
}
