// Exchanging a flavor set with the clipboard (the Scrap Manager).
#include "content/FlavorSet.h"
#include "support/MemoryOwners.h"

#include <cstdint>

namespace {

// A block owner counts its bytes in 32 bits: a flavor larger than that cannot be held, and a
// narrowed count would make a block smaller than the bytes read into it.
bool FitsInFlavorBlock(Size size)
{
    return size > 0 && size <= INT32_MAX;
}

}  // namespace

void FlavorSet::ReadFromClibpoard()
{
    ScrapRef scrap = nullptr;
    if (GetCurrentScrap(&scrap) != noErr) {
        return;
    }
    UInt32 count = 0;
    if (GetScrapFlavorCount(scrap, &count) != noErr || count == 0) {
        return;
    }
    const UInt32 capacity = count;
    AStdArrayNew<ScrapFlavorInfo> infos(capacity, kMemObjNoClear);
    if (GetScrapFlavorInfoList(scrap, &count, infos.Get()) != noErr) {
        return;
    }
    if (count > capacity) {
        count = capacity;
    }
    // Counted before any flavor is read: the content of an application offering more forms than a
    // clip can keep is not kept at all, and not waited for form by form.
    UInt32 kept = 0;
    for (UInt32 i = 0; i < count; ++i) {
        kept += (infos.Get()[i].flavorFlags & kScrapFlavorMaskSenderOnly) == 0 ? 1 : 0;
    }
    if (kept > kMaxClipFlavors) {
        mTooManyFlavors = true;
        return;
    }
    for (UInt32 i = 0; i < count; ++i) {
        const ScrapFlavorInfo& info = infos.Get()[i];
        // Flavors meant only for the application that put them there are not ours to keep.
        if ((info.flavorFlags & kScrapFlavorMaskSenderOnly) != 0) {
            continue;
        }
        Size size = 0;
        if (GetScrapFlavorSize(scrap, info.flavorType, &size) != noErr) {
            continue;
        }
        if (!FitsInFlavorBlock(size)) {
            mLeftOutTooLarge = mLeftOutTooLarge || size > 0;
            continue;
        }
        AMacPtr<char> block;
        block.AllocateAndCopy(nullptr, static_cast<SInt32>(size), kMemObjClear);
        Size byteCount = size;
        if (GetScrapFlavorData(scrap, info.flavorType, &byteCount, block.Get()) != noErr) {
            continue;
        }
        StoreFlavor(info.flavorType, block.HandOut());
    }
}

OSStatus FlavorSet::PutToClipboard(UInt32* flavorsPut)
{
    if (flavorsPut != nullptr) {
        *flavorsPut = 0;
    }
    OSStatus status = ClearCurrentScrap();
    ScrapRef scrap = nullptr;
    if (status == noErr) {
        status = GetCurrentScrap(&scrap);
    }
    if (status != noErr) {
        return status;
    }
    // Each flavor goes on its own: one the clipboard refuses does not keep the others off it, but
    // the caller hears of it.
    OSStatus first = noErr;
    for (const auto& [flavorType, block] : *this) {
        if (block != nullptr) {
            status = PutScrapFlavor(scrap, flavorType, kScrapFlavorMaskNone, GetPtrSize(block), block);
            if (status == noErr && flavorsPut != nullptr) {
                ++*flavorsPut;
            }
            if (first == noErr) {
                first = status;
            }
        }
    }
    return first;
}

Boolean FlavorSet::IsAnythingInClipboard()
{
    ScrapRef scrap = nullptr;
    UInt32 count = 0;
    if (GetCurrentScrap(&scrap) != noErr || GetScrapFlavorCount(scrap, &count) != noErr) {
        return false;
    }
    return count != 0 ? true : false;
}

CFDataRef FlavorSet::ReadOneFlavorFromClipboard(UInt32 flavorType)
{
    ScrapRef scrap = nullptr;
    if (GetCurrentScrap(&scrap) != noErr) {
        return nullptr;
    }
    UInt32 count = 0;
    if (GetScrapFlavorCount(scrap, &count) != noErr || count == 0) {
        return nullptr;
    }
    Size size = 0;
    if (GetScrapFlavorSize(scrap, flavorType, &size) != noErr || size < 1 || static_cast<UInt64>(size) > UINT32_MAX) {
        return nullptr;
    }
    AStdMalloc<char> buffer;
    buffer.AllocateAndCopy(nullptr, static_cast<UInt32>(size), kMemObjClear);
    Size byteCount = size;
    if (GetScrapFlavorData(scrap, flavorType, &byteCount, buffer.Get()) != noErr) {
        return nullptr;
    }
    // The data object takes the buffer over and frees it with free; until it exists the owner
    // still frees it.
    CFDataRef data = CFDataCreateWithBytesNoCopy(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(buffer.Get()),
                                                 static_cast<CFIndex>(size), AStdMalloc<char>::GetCFAllocator());
    if (data != nullptr) {
        buffer.HandOut();
    }
    return data;
}
