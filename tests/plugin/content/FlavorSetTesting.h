// Helpers shared by the flavor-set tests: a set that lets a test store blocks directly, a set's
// whole content and a flavor's bytes as strings, and a disk that fills up.
#pragma once

#include "content/FlavorSet.h"
#include "support/MemoryOwners.h"

#include "plugin/support/TextTesting.h"

#include <PlatformHost.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

namespace flavortesting {

using texttest::UnitsOf;

class TestFlavorSet : public FlavorSet {
public:
    using FlavorSet::StoreFlavor;

    TestFlavorSet() = default;
    TestFlavorSet(std::initializer_list<std::pair<UInt32, std::string>> flavors)
    {
        for (const auto& [type, bytes] : flavors) {
            Add(type, bytes);
        }
    }

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

// Every flavor of a set: type -> bytes.
using Contents = std::map<UInt32, std::string>;

inline Contents ContentsOf(const FlavorSet& set)
{
    Contents contents;
    for (const auto& [type, block] : set) {
        contents[type] = BytesOf(set, type);
    }
    return contents;
}

inline std::string BytesOf(const std::u16string& units)
{
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t));
}

// Makes file writes fail as on a full disk, once that many more bytes are written, for its life.
class ScopedWriteBudget {
public:
    explicit ScopedWriteBudget(long long bytes) { PlatformSetFileWriteBudgetForTesting(bytes); }
    ~ScopedWriteBudget() { PlatformSetFileWriteBudgetForTesting(-1); }
    ScopedWriteBudget(const ScopedWriteBudget&) = delete;
    ScopedWriteBudget& operator=(const ScopedWriteBudget&) = delete;
};

}  // namespace flavortesting
