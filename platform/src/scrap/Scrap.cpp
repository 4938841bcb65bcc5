// The Scrap Manager's entry points and the process's table of clipboard references.
//
// A ScrapRef is a handle, never a pointer: a number that names one entry of the table, each entry
// one generation of the clipboard as the backend gave it. The table holds at most one entry per
// generation. Rule for letting them go: GetCurrentScrap and ClearCurrentScrap end with the table
// holding only the generation they leave current; every other entry is freed then. A handle whose
// entry is gone answers badScrapRefErr from every call, so a caller that kept an old ScrapRef gets a
// status, never freed memory. Between those two calls (the sequence in which a caller takes a
// reference, then reads or puts through it) every handle given out stays valid, and reading through
// it keeps working even when another process clears the clipboard meanwhile.
//
// A clear in another process does not let go of this process's entries: their handles keep reading
// the generation they were taken on, and putting through them answers badScrapRefErr.
//
// One mutex serialises the Scrap Manager within the process; the backend serialises changes
// between processes.
#include "SecretHandout.h"
#include "scrap/ClipboardBackend.h"
#include "scrap/ScrapError.h"

#include <Carbon/Scrap.h>
#include <PlatformHost.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace platform::scrap {
namespace {

struct ViewTable {
    std::mutex mutex;
    std::unique_ptr<ClipboardBackend> backend = MakeFolderClipboard();
    std::map<std::uintptr_t, std::shared_ptr<ClipboardGeneration>> views;
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

// The generation a handle names, or NULL (with the reason recorded) when there is none. The
// table's mutex must be held.
ClipboardGeneration* FindView(ViewTable& table, ScrapRef scrap)
{
    auto found = table.views.find(reinterpret_cast<std::uintptr_t>(scrap));
    if (found == table.views.end()) {
        FailScrap(badScrapRefErr, "the clipboard reference is unknown or was let go after a later clear");
        return nullptr;
    }
    return found->second.get();
}

// Frees every entry but the one named (0: all of them).
void KeepOnly(ViewTable& table, std::uintptr_t handle)
{
    std::erase_if(table.views, [handle](const auto& item) { return item.first != handle; });
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
    std::shared_ptr<ClipboardGeneration> current;
    OSStatus status = table.backend->Current(current);
    if (status != noErr) {
        return status;
    }
    for (const auto& [handle, view] : table.views) {
        if (view == current) {
            KeepOnly(table, handle);
            *scrap = HandleRef(handle);
            return noErr;
        }
    }
    std::uintptr_t handle = ++table.lastHandle;
    table.views.emplace(handle, std::move(current));
    KeepOnly(table, handle);
    *scrap = HandleRef(handle);
    return noErr;
}

OSStatus ClearCurrentScrap(void)
{
    ClearScrapError();
    ViewTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    OSStatus status = table.backend->Clear(platform::TakeRecentSecretHandout());
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
    ClipboardGeneration* view = FindView(table, scrap);
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
    ClipboardGeneration* view = FindView(table, scrap);
    if (view == nullptr) {
        return badScrapRefErr;
    }
    OSStatus status = view->Refresh();
    return status == noErr ? use(*view) : status;
}

// Runs use on the index of the flavor of a type in the generation a handle names, as
// WithCurrentView does.
template <typename Use>
OSStatus WithFlavor(ScrapRef scrap, ScrapFlavorType type, Use use)
{
    return WithCurrentView(scrap, [&](ClipboardGeneration& view) -> OSStatus {
        for (size_t index = 0; index < view.Count(); ++index) {
            if (view.EntryAt(index).type == type) {
                OSStatus status = view.Fetch(index);
                return status == noErr ? use(view, index) : status;
            }
        }
        return FailScrap(noTypeErr, "the clipboard holds no such flavor");
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
    return WithCurrentView(scrap, [&](ClipboardGeneration& view) -> OSStatus {
        *infoCount = static_cast<UInt32>(view.Count());
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
    return WithCurrentView(scrap, [&](ClipboardGeneration& view) -> OSStatus {
        UInt32 filled = 0;
        for (; filled < room && filled < view.Count(); ++filled) {
            info[filled].flavorType = view.EntryAt(filled).type;
            info[filled].flavorFlags = view.EntryAt(filled).flags;
        }
        *infoCount = filled;
        return noErr;
    });
}

OSStatus GetScrapFlavorSize(ScrapRef scrap, ScrapFlavorType flavorType, Size* byteCount)
{
    ClearScrapError();
    if (byteCount == nullptr) {
        return FailScrap(paramErr, "GetScrapFlavorSize needs a place for the size");
    }
    return WithFlavor(scrap, flavorType, [&](ClipboardGeneration& view, size_t index) -> OSStatus {
        *byteCount = view.EntryAt(index).size;
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
    return WithFlavor(scrap, flavorType, [&](ClipboardGeneration& view, size_t index) -> OSStatus {
        *byteCount = room;
        return view.ReadData(index, byteCount, destination);
    });
}

OSStatus PlatformUseClipboard(PlatformClipboardKind kind)
{
    ClearScrapError();
    std::unique_ptr<ClipboardBackend> backend;
    switch (kind) {
    case kPlatformClipboardFolder:
        backend = MakeFolderClipboard();
        break;
    case kPlatformClipboardMemory:
        backend = MakeMemoryClipboard();
        break;
    default:
        return FailScrap(paramErr, "no such kind of clipboard");
    }
    InstallClipboardBackend(std::move(backend));
    return noErr;
}

void platform::scrap::TellClipboardPasteTyped()
{
    ViewTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    table.backend->PasteTyped();
}

void platform::scrap::InstallClipboardBackend(std::unique_ptr<ClipboardBackend> backend)
{
    ViewTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    // References taken on the clipboard used so far name nothing any more.
    KeepOnly(table, 0);
    table.backend = std::move(backend);
}
