// Helpers shared by the flavor-set tests: a set that lets a test store blocks directly, and the
// bytes of a flavor as a string.
#pragma once

#include "content/FlavorSet.h"
#include "support/MemoryOwners.h"

#include <string>

namespace flavortesting {

class TestFlavorSet : public FlavorSet {
public:
    using FlavorSet::StoreFlavor;

    // Stores a copy of the bytes under the type, as a reader would.
    void Add(UInt32 flavorType, const std::string& bytes)
    {
        AMacPtr<char> block;
        block.AllocateAndCopy(bytes.data(), static_cast<SInt32>(bytes.size()), kMemObjNoClear);
        StoreFlavor(flavorType, block.HandOut());
    }
};

// The flavor's bytes, or "<none>" when the set does not hold the type.
inline std::string BytesOf(const FlavorSet& set, UInt32 flavorType)
{
    auto found = set.find(flavorType);
    if (found == set.end()) {
        return "<none>";
    }
    return std::string(found->second, static_cast<size_t>(GetPtrSize(found->second)));
}

inline std::string BytesOf(const std::u16string& units)
{
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t));
}

inline std::u16string UnitsOf(CFStringRef string)
{
    if (string == nullptr) {
        return u"<null>";
    }
    std::u16string units(static_cast<size_t>(CFStringGetLength(string)), u'\0');
    CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)), reinterpret_cast<UniChar*>(units.data()));
    return units;
}

}  // namespace flavortesting
