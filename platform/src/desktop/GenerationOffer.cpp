#include "desktop/GenerationOffer.h"

#include "base/RegularFile.h"
#include "base/ScopedDir.h"
#include "desktop/ClipboardServerLaunch.h"
#include "desktop/MimeFlavors.h"
#include "scrap/ClipboardFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::desktop {

std::optional<std::string> GenerationOffer::FlavorBytes(const scrap::GenerationView::Flavor& flavor, size_t limit)
{
    std::string bytes(std::min(static_cast<size_t>(flavor.entry.size), limit), '\0');
    Size count = static_cast<Size>(bytes.size());
    if (mView.ReadData(flavor, &count, bytes.data()) != noErr) {
        return std::nullopt;
    }
    bytes.resize(static_cast<size_t>(count));
    return bytes;
}

// What the generation offers now: its manifest read again, foreign targets named from their bytes.
std::vector<std::pair<std::string, ScrapFlavorType>> GenerationOffer::FlavorTargets()
{
    std::vector<OfferedFlavor> offered;
    if (mView.Refresh() != noErr) {
        return {};
    }
    for (const auto& flavor : mView.Flavors()) {
        OfferedFlavor each{flavor.entry.type, ""};
        if (IsForeignFlavorType(flavor.entry.type)) {
            // The name leads the bytes, and a target name is short.
            if (std::optional<std::string> head = FlavorBytes(flavor, 1024)) {
                if (auto parts = SplitForeignFlavor(*head)) {
                    each.foreignTarget = std::string(parts->first);
                }
            }
        }
        offered.push_back(each);
    }
    return TargetsForFlavors(offered);
}

std::vector<std::string> GenerationOffer::Targets()
{
    std::vector<std::string> names;
    for (const auto& [name, type] : FlavorTargets()) {
        names.push_back(name);
    }
    if (mConcealed) {
        names.push_back(kPasswordManagerHint);
    }
    return names;
}

// A flavor that goes out under the target as it is: the part of its file after a foreign flavor's
// leading name. nullopt when its file cannot be shared.
std::optional<Reply> GenerationOffer::FileReply(const scrap::GenerationView::Flavor& flavor, const std::string& target)
{
    size_t skip = 0;
    if (IsForeignFlavorType(flavor.entry.type)) {
        std::optional<std::string> head = FlavorBytes(flavor, 1024);
        auto parts = head ? SplitForeignFlavor(*head) : std::nullopt;
        if (parts && parts->first == target) {
            skip = parts->first.size() + 1;
        }
    }
    Reply reply;
    reply.file = ScopedFd(::fcntl(flavor.file.Get(), F_DUPFD_CLOEXEC, 0));
    if (!reply.file.IsValid()) {
        return std::nullopt;
    }
    reply.from = static_cast<off_t>(skip);
    reply.length = static_cast<size_t>(flavor.entry.size) - skip;
    return reply;
}

std::optional<Reply> GenerationOffer::Answer(const std::string& target, size_t inFileAbove)
{
    if (mConcealed && target == kPasswordManagerHint) {
        Reply reply;
        reply.bytes = kPasswordManagerHintSecret;
        return reply;
    }
    for (const auto& [offered, flavorType] : FlavorTargets()) {
        if (offered != target) {
            continue;
        }
        for (const auto& flavor : mView.Flavors()) {
            if (flavor.entry.type != flavorType) {
                continue;
            }
            if (TargetKeepsFlavorBytes(flavorType, target) && static_cast<size_t>(flavor.entry.size) > inFileAbove) {
                if (std::optional<Reply> reply = FileReply(flavor, target)) {
                    return reply;
                }
            }
            std::optional<std::string> bytes = FlavorBytes(flavor, static_cast<size_t>(flavor.entry.size));
            if (!bytes) {
                return std::nullopt;
            }
            if (std::optional<std::string> converted = TargetBytesFromFlavor(flavorType, target, std::move(*bytes))) {
                Reply reply;
                reply.bytes = std::move(*converted);
                return reply;
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

GenerationWatch::GenerationWatch(int generationFolder)
    : mFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    const std::string folder = "/proc/self/fd/" + std::to_string(generationFolder);
    if (mFd.IsValid() && ::inotify_add_watch(mFd.Get(), folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
        mFd.Reset();
    }
}

bool GenerationWatch::Changed()
{
    bool changed = false;
    char events[4096];
    while (mFd.IsValid() && ::read(mFd.Get(), events, sizeof events) > 0) {
        changed = true;
    }
    return changed;
}

std::optional<std::chrono::steady_clock::time_point> ServerArguments::SecretDeadline() const
{
    if (!concealed || lifetime <= 0) {
        return std::nullopt;
    }
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(lifetime);
}

bool ParseServerArguments(int argc, char** argv, ServerArguments& arguments)
{
    const bool concealed = argc == 5 && std::strcmp(argv[3], kConcealedArgument) == 0;
    if (argc != 3 && !concealed) {
        return false;
    }
    arguments.display = argv[1];
    arguments.folder = argv[2];
    arguments.concealed = concealed;
    if (concealed) {
        char* end = nullptr;
        arguments.lifetime = std::strtol(argv[4], &end, 10);
        if (*end != '\0' || arguments.lifetime < 0) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<scrap::GenerationView> OpenServedGeneration(const ServerArguments& arguments, ScopedFd& generationFolder)
{
    ScopedFd folder;
    ScopedFd generation;
    if (scrap::OpenClipboardFolder(folder, arguments.folder) != noErr ||
        scrap::OpenCurrentGeneration(folder.Get(), generation) != noErr) {
        return nullptr;
    }
    generationFolder = ScopedFd(::fcntl(generation.Get(), F_DUPFD_CLOEXEC, 0));
    return std::make_unique<scrap::GenerationView>(std::move(folder), std::move(generation));
}

void RemoveFilesOf(int generationFd)
{
    ScopedFd listing(::openat(generationFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ScopedDir dir(listing.IsValid() ? ::fdopendir(listing.Get()) : nullptr);
    if (dir.Get() == nullptr) {
        return;
    }
    listing.Release();  // the folder stream owns it now
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir.Get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
    for (const std::string& name : names) {
        ::unlinkat(generationFd, name.c_str(), 0);
    }
}

int TellStarter(const std::string& line, int status)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return status;
}

}  // namespace platform::desktop
