#include "base/TemporaryFiles.h"

#include "base/ScopedDir.h"

#include <fcntl.h>
#include <unistd.h>

#include <random>

namespace platform {
namespace {

constexpr std::string_view kMarker = ".tmp-";
constexpr size_t kDigits = 16;

}  // namespace

std::string TemporaryNameFor(std::string_view name)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device random;
    std::string temporary(name);
    temporary += kMarker;
    for (size_t i = 0; i < kDigits; i += 8) {
        unsigned value = random();
        for (int shift = 28; shift >= 0; shift -= 4) {
            temporary += kHex[(value >> shift) & 0xF];
        }
    }
    return temporary;
}

bool IsTemporaryNameOf(std::string_view name, std::string_view candidate)
{
    if (candidate.size() <= name.size() + kMarker.size() || candidate.substr(0, name.size()) != name ||
        candidate.substr(name.size(), kMarker.size()) != kMarker) {
        return false;
    }
    std::string_view suffix = candidate.substr(name.size() + kMarker.size());
    return suffix.size() <= kDigits && suffix.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

void RemoveAbandonedTemporaries(int folderFd, std::string_view name)
{
    int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) {
        return;
    }
    ScopedDir folder(::fdopendir(listFd));
    if (folder.Get() == nullptr) {
        ::close(listFd);
        return;
    }
    while (dirent* entry = ::readdir(folder.Get())) {
        if (IsTemporaryNameOf(name, entry->d_name)) {
            ::unlinkat(::dirfd(folder.Get()), entry->d_name, 0);
        }
    }
}

}  // namespace platform
