// The dictionary object: key and value callbacks, the entries in the order their keys were first
// added, and a hash index over the keys of a large one (so that written property lists come out the same every
// time). Other parts of the platform read the layout directly.
#pragma once

#include "cf/Runtime.h"

#include <CoreFoundation/CFDictionary.h>

#include <unordered_map>
#include <vector>

namespace platform {

struct DictionaryEntry {
    const void* key;    // passed through the key retain callback
    const void* value;  // passed through the value retain callback
};

// Hashes and compares keys with the dictionary's key callbacks (identity when they are NULL).
struct DictionaryKeyHash {
    CFDictionaryHashCallBack hash = nullptr;
    size_t operator()(const void* key) const
    {
        return hash != nullptr ? static_cast<size_t>(hash(key)) : std::hash<const void*>{}(key);
    }
};

struct DictionaryKeyEqual {
    CFDictionaryEqualCallBack equal = nullptr;
    bool operator()(const void* a, const void* b) const { return a == b || (equal != nullptr && equal(a, b)); }
};

// Most dictionaries hold a handful of keys (a clip record holds six): those are searched in
// place, which costs no allocation per entry and no hashing. Past this many keys a hash index is
// kept, so that no lookup grows with the collection.
inline constexpr size_t kDictionaryUnindexedEntries = 8;

using DictionaryEntries = std::vector<DictionaryEntry>;
// Key -> its position in the entries; empty while the dictionary is small enough to search.
using DictionaryIndex = std::unordered_map<const void*, size_t, DictionaryKeyHash, DictionaryKeyEqual>;

}  // namespace platform

struct OpaqueCFDictionary : platform::RuntimeBase {
    OpaqueCFDictionary(const CFDictionaryKeyCallBacks& keyCallBacks_, const CFDictionaryValueCallBacks& valueCallBacks_,
                       bool isMutable_)
        : keyCallBacks(keyCallBacks_),
          valueCallBacks(valueCallBacks_),
          index(0, platform::DictionaryKeyHash{keyCallBacks_.hash}, platform::DictionaryKeyEqual{keyCallBacks_.equal}),
          isMutable(isMutable_)
    {
    }
    // Copies of the creator's callbacks; all members NULL for plain pointers.
    CFDictionaryKeyCallBacks keyCallBacks;
    CFDictionaryValueCallBacks valueCallBacks;
    platform::DictionaryEntries entries;  // iteration order
    platform::DictionaryIndex index;      // key -> its entry
    bool isMutable = false;
};

namespace platform {

extern const RuntimeClass kDictionaryClass;

// The dictionary behind a reference; aborts with the caller's name when it is not a dictionary.
const OpaqueCFDictionary* DictionaryObject(CFDictionaryRef dictionary, const char* caller);
// As DictionaryObject, and aborts when the dictionary is immutable.
OpaqueCFDictionary* MutableDictionaryObject(CFMutableDictionaryRef dictionary, const char* caller);

}  // namespace platform
