// The flavor set itself: an ordered map from flavor type to a pointer block that the set owns.
#include "content/FlavorSet.h"

FlavorSet::FlavorSet() : mUsePlainText(false), mLeftOutTooLarge(false) {}

FlavorSet::~FlavorSet()
{
    for (auto& entry : *this) {
        DisposePtr(entry.second);
        entry.second = nullptr;
    }
}

void FlavorSet::StoreFlavor(UInt32 flavorType, Ptr block)
{
    if (block == nullptr) {
        return;
    }
    // A block of no bytes is no flavor; the first block stored for a type stays.
    if (GetPtrSize(block) <= 0 || find(flavorType) != end()) {
        DisposePtr(block);
        return;
    }
    try {
        emplace(flavorType, block);
    } catch (...) {
        // The block was handed over before the map could make room for it: nobody else frees it.
        DisposePtr(block);
        throw;
    }
}

Boolean FlavorSet::AnyContentAvailable()
{
    return empty() ? false : true;
}
