// The flavor set itself: an ordered map from flavor type to a pointer block that the set owns.
#include "content/FlavorSet.h"

#include <string.h>

FlavorSet::FlavorSet() : mUsePlainText(false), mLeftOutTooLarge(false), mTooManyFlavors(false), mLeftOutOnRead(false), mHoldsSecret(false) {}

FlavorSet::~FlavorSet()
{
    for (auto& entry : *this) {
        DisposeFlavorBlock(entry.second);
        entry.second = nullptr;
    }
}

void FlavorSet::DisposeFlavorBlock(Ptr block)
{
    if (mHoldsSecret && block != nullptr) {
        explicit_bzero(block, static_cast<size_t>(GetPtrSize(block)));
    }
    DisposePtr(block);
}

void FlavorSet::StoreFlavor(UInt32 flavorType, Ptr block)
{
    if (block == nullptr) {
        return;
    }
    // A block of no bytes is no flavor; the first block stored for a type stays.
    if (GetPtrSize(block) <= 0 || find(flavorType) != end()) {
        DisposeFlavorBlock(block);
        return;
    }
    try {
        emplace(flavorType, block);
    } catch (...) {
        // The block was handed over before the map could make room for it: nobody else frees it.
        DisposeFlavorBlock(block);
        throw;
    }
}

Boolean FlavorSet::AnyContentAvailable()
{
    return empty() ? false : true;
}
