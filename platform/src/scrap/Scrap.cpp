// The Scrap Manager's entry points and the process's table of clipboard references.
//
// A ScrapRef is a handle, never a pointer: a number that names one entry of the table, each entry
// a view of one generation (GenerationView). The table holds at most one view per generation.
// Rule for letting views go: GetCurrentScrap and ClearCurrentScrap end with the table holding only
// the view of the generation they leave current; every other view is freed then. A handle whose
// view is gone answers badScrapRefErr from every call, so a caller that kept an old ScrapRef gets a
// status, never freed memory. Between those two calls (the sequence in which a caller takes a
// reference, then reads or puts through it) every handle given out stays valid, and reading through
// it keeps working even when another process clears the clipboard meanwhile.
//
// A clear in another process does not let go of this process's views: their handles keep reading
// the generation they were taken on, and putting through them answers badScrapRefErr.
//
// One mutex serialises the Scrap Manager within the process; flock on the clipboard's lock file
// serialises changes (clears and puts) between processes. Reading takes no lock: files are renamed
// into place whole, so a reader sees a manifest from before or after a put, never a torn one.
#include "scrap/ClipboardFolder.h"
#include "scrap/GenerationView.h"
#include "scrap/ScrapError.h"

#include <Carbon/Scrap.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace platform::scrap {
namespace {

struct ViewTable {
    std::mutex mutex;
    std::map<std::uintptr_t, std::unique_ptr<GenerationView>> views;
    std::uintptr_t lastHandle = 0;
};

// Never destroyed: a call during the process's exit must still find it.
ViewTable& Table()
{
    static ViewTable* table = new ViewTable;
    return *table;
}

ScrapRef HandleRef(std::uintptr_t handle)
{
    return reinterpret_cast<ScrapRef>(handle);
}

// The view a handle names, or NULL (with the reason recorded) when there is none. The table's
// mutex must be held.
GenerationView* FindView(ViewTable& table, ScrapRef scrap)
{
    auto found = table.views.find(reinterpret_cast<std::uintptr_t>(scrap));
    if (found == table.views.end()) {
        FailScrap(badScrapRefErr, "the clipboard reference is unknown or was let go after a later clear");
        return nullptr;
    }
    return found->second.get();
}

// Frees every view but the one named (0: all of them).
void KeepOnly(ViewTable& table, std::uintptr_t handle)
{
    std::erase_if(table.views, [handle](const auto& item) { return item.first != handle; });
}

// Opens the current generation, making the clipboard's first one if it has none yet.
OSStatus OpenOrStartCurrentGeneration(int folder, ScopedFd& generation)
{
    OSStatus status = OpenCurrentGeneration(folder, generation);
    if (status != fnfErr) {
        return status;
    }
    // The first use of this clipboard, unless another process gets there first.
    ClipboardLock lock;
    status = lock.Acquire(folder, true);
    if (status != noErr) {
        return status;
    }
    status = OpenCurrentGeneration(folder, generation);
    if (status == fnfErr) {
        status = StartNewGeneration(folder);
        if (status == noErr) {
            status = OpenCurrentGeneration(folder, generation);
        }
        if (status == fnfErr) {
            status = FailScrap(internalScrapErr, "the clipboard's first generation vanished as it was made");
        }
    }
    return status;
}

// A view of the current generation and its handle. Reading needs no lock; but a generation can be
// replaced twice and removed between opening it and reading it, and then the current one is opened
// again. Should that keep happening, the last try holds the shared lock, under which no clear runs.
OSStatus FindOrAddCurrentView(ViewTable& table, ScopedFd folder, ScrapRef* scrap)
{
    constexpr int kLocklessTries = 4;
    for (int attempt = 0; attempt <= kLocklessTries; ++attempt) {
        ClipboardLock lock;
        if (attempt == kLocklessTries) {
            OSStatus status = lock.Acquire(folder.Get(), false);
            if (status != noErr) {
                return status;
            }
        }
        ScopedFd generation;
        OSStatus status = OpenOrStartCurrentGeneration(folder.Get(), generation);
        if (status != noErr) {
            return status;
        }
        struct stat info {};
        if (::fstat(generation.Get(), &info) != 0) {
            return FailScrapWithErrno("cannot examine the clipboard's current generation", errno);
        }
        for (auto& [handle, view] : table.views) {
            if (view->Device() == info.st_dev && view->Inode() == info.st_ino) {
                KeepOnly(table, handle);
                *scrap = HandleRef(handle);
                return noErr;
            }
        }
        ScopedFd folderForView(::dup(folder.Get()));
        if (!folderForView.IsValid()) {
            return FailScrapWithErrno("cannot keep the clipboard folder open", errno);
        }
        auto view = std::make_unique<GenerationView>(std::move(folderForView), std::move(generation));
        // A damaged manifest is not this call's failure: the reads through the reference report it.
        if (view->Refresh() == fnfErr && !view->IsLoaded()) {
            continue;  // removed before it could be read: take the current one again
        }
        ClearScrapError();
        std::uintptr_t handle = ++table.lastHandle;
        table.views.emplace(handle, std::move(view));
        KeepOnly(table, handle);
        *scrap = HandleRef(handle);
        return noErr;
    }
    return FailScrap(internalScrapErr, "the clipboard changed too often to be read");
}

}  // namespace
}  // namespace platform::scrap

using namespace platform::scrap;

OSStatus GetCurrentScrap(ScrapRef* scrap)
{
    ClearScrapError();
    if (scrap == nullptr) {
        return FailScrap(paramErr, "GetCurrentScrap needs a place for the reference");
    }
    ViewTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    platform::ScopedFd folder;
    OSStatus status = OpenClipboardFolder(folder);
    if (status != noErr) {
        return status;
    }
    return FindOrAddCurrentView(table, std::move(folder), scrap);
}

OSStatus ClearCurrentScrap(void)
{
    ClearScrapError();
    ViewTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    platform::ScopedFd folder;
    OSStatus status = OpenClipboardFolder(folder);
    if (status != noErr) {
        return status;
    }
    ClipboardLock lock;
    status = lock.Acquire(folder.Get(), true);
    if (status != noErr) {
        return status;
    }
    status = StartNewGeneration(folder.Get());
    if (status == noErr) {
        // Every view is of an older generation now.
        KeepOnly(table, 0);
    }
    return status;
}

OSStatus PutScrapFlavor(ScrapRef scrap, ScrapFlavorType flavorType, ScrapFlavorFlags flavorFlags, Size flavorSize,
                        const void* flavorData)
{
    ClearScrapError();
    if (flavorSize < 0) {
        return FailScrap(illegalScrapFlavorSizeErr, "a flavor's size cannot be negative");
    }
    if (flavorData == nullptr && flavorSize > 0) {
        return FailScrap(paramErr, "a flavor of " + std::to_string(flavorSize) + " bytes needs its bytes");
    }
    if ((flavorFlags & ~kKnownFlavorFlags) != 0) {
        return FailScrap(illegalScrapFlavorFlagsErr, "a flavor's flags hold unknown bits");
    }
    ViewTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    GenerationView* view = FindView(table, scrap);
    if (view == nullptr) {
        return badScrapRefErr;
    }
    return view->Put(flavorType, flavorFlags, flavorSize, flavorData);
}

namespace {

// Runs use on the view a handle names, brought up to date, under the table's lock; answers
// use's status, or why there is no such view or it could not be read.
template <typename Use>
OSStatus WithCurrentView(ScrapRef scrap, Use use)
{
    ViewTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    GenerationView* view = FindView(table, scrap);
    if (view == nullptr) {
        return badScrapRefErr;
    }
    OSStatus status = view->Refresh();
    return status == noErr ? use(*view) : status;
}

// Runs use on the flavor of a type in the view a handle names, as WithCurrentView does.
template <typename Use>
OSStatus WithFlavor(ScrapRef scrap, ScrapFlavorType type, Use use)
{
    return WithCurrentView(scrap, [&](GenerationView& view) -> OSStatus {
        const GenerationView::Flavor* flavor = view.Find(type);
        if (flavor == nullptr) {
            return FailScrap(noTypeErr, "the clipboard holds no such flavor");
        }
        return use(view, *flavor);
    });
}

}  // namespace

OSStatus GetScrapFlavorCount(ScrapRef scrap, UInt32* infoCount)
{
    ClearScrapError();
    if (infoCount == nullptr) {
        return FailScrap(paramErr, "GetScrapFlavorCount needs a place for the count");
    }
    *infoCount = 0;
    return WithCurrentView(scrap, [&](GenerationView& view) -> OSStatus {
        *infoCount = static_cast<UInt32>(view.Flavors().size());
        return noErr;
    });
}

OSStatus GetScrapFlavorInfoList(ScrapRef scrap, UInt32* infoCount, ScrapFlavorInfo info[])
{
    ClearScrapError();
    if (infoCount == nullptr || (info == nullptr && *infoCount > 0)) {
        return FailScrap(paramErr, "GetScrapFlavorInfoList needs a count and room for the records");
    }
    const UInt32 room = *infoCount;
    *infoCount = 0;
    return WithCurrentView(scrap, [&](GenerationView& view) -> OSStatus {
        const auto& flavors = view.Flavors();
        UInt32 filled = 0;
        for (; filled < room && filled < flavors.size(); ++filled) {
            info[filled].flavorType = flavors[filled].entry.type;
            info[filled].flavorFlags = flavors[filled].entry.flags;
        }
        *infoCount = filled;
        return noErr;
    });
}

OSStatus GetScrapFlavorFlags(ScrapRef scrap, ScrapFlavorType flavorType, ScrapFlavorFlags* flavorFlags)
{
    ClearScrapError();
    if (flavorFlags == nullptr) {
        return FailScrap(paramErr, "GetScrapFlavorFlags needs a place for the flags");
    }
    return WithFlavor(scrap, flavorType, [&](GenerationView&, const GenerationView::Flavor& flavor) -> OSStatus {
        *flavorFlags = flavor.entry.flags;
        return noErr;
    });
}

OSStatus GetScrapFlavorSize(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount)
{
    ClearScrapError();
    if (byteCount == nullptr) {
        return FailScrap(paramErr, "GetScrapFlavorSize needs a place for the size");
    }
    return WithFlavor(scrap, flavorType, [&](GenerationView&, const GenerationView::Flavor& flavor) -> OSStatus {
        *byteCount = flavor.entry.size;
        return noErr;
    });
}

OSStatus GetScrapFlavorData(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount, void* destination)
{
    ClearScrapError();
    if (byteCount == nullptr || *byteCount < 0 || (destination == nullptr && *byteCount > 0)) {
        return FailScrap(paramErr, "GetScrapFlavorData needs a byte count of 0 or more and room for the bytes");
    }
    const Size room = *byteCount;
    *byteCount = 0;
    return WithFlavor(scrap, flavorType, [&](GenerationView& view, const GenerationView::Flavor& flavor) -> OSStatus {
        *byteCount = room;
        return view.ReadData(flavor, byteCount, destination);
    });
}
