// Dictionaries: hashed keys, values kept through the callbacks their creator chose, iteration in
// the order keys were first added.
#include "cf/DictionaryObject.h"

#include "cf/CollectionSupport.h"
#include "cf/StringObject.h"

#include <cstdio>
#include <string>
#include <vector>

namespace platform {
namespace {

// A mutable string key is copied, so the dictionary's key keeps its text when the caller later
// changes its own string; every other key is simply retained.
const void* CopyStringKey(CFAllocatorRef allocator, const void* key)
{
    if (IsType(key, kStringTypeID) && static_cast<const OpaqueCFString*>(key)->isMutable) {
        CFStringRef copy = CreateStringFromUTF16(allocator, StringUnits(static_cast<CFStringRef>(key)));
        if (copy == nullptr) {
            FatalError("CFDictionary: no memory to copy a string key");
        }
        return copy;
    }
    return CFRetain(key);
}

[[noreturn]] void Fail(const char* caller, const char* problem)
{
    std::string message = std::string(caller) + ": " + problem;
    FatalError(message.c_str());
}

const void* RetainKey(const OpaqueCFDictionary* dict, const void* key)
{
    return dict->keyCallBacks.retain != nullptr ? dict->keyCallBacks.retain(dict->allocator, key) : key;
}

const void* RetainValue(const OpaqueCFDictionary* dict, const void* value)
{
    return dict->valueCallBacks.retain != nullptr ? dict->valueCallBacks.retain(dict->allocator, value) : value;
}

void ReleaseKey(const OpaqueCFDictionary* dict, const void* key)
{
    if (dict->keyCallBacks.release != nullptr) {
        dict->keyCallBacks.release(dict->allocator, key);
    }
}

void ReleaseValue(const OpaqueCFDictionary* dict, const void* value)
{
    if (dict->valueCallBacks.release != nullptr) {
        dict->valueCallBacks.release(dict->allocator, value);
    }
}

bool ValuesEqual(const CFDictionaryValueCallBacks& callBacks, const void* a, const void* b)
{
    return a == b || (callBacks.equal != nullptr && callBacks.equal(a, b));
}

bool KeysEqual(const OpaqueCFDictionary* dict, const void* a, const void* b)
{
    return a == b || (dict->keyCallBacks.equal != nullptr && dict->keyCallBacks.equal(a, b));
}

// The position of a key's entry, or entries.size() when the key is absent.
size_t FindPosition(const OpaqueCFDictionary* dict, const void* key)
{
    if (!dict->index.empty()) {
        auto found = dict->index.find(key);
        return found == dict->index.end() ? dict->entries.size() : found->second;
    }
    size_t position = 0;
    for (; position < dict->entries.size(); ++position) {
        if (KeysEqual(dict, dict->entries[position].key, key)) {
            break;
        }
    }
    return position;
}

DictionaryEntry* FindEntry(const OpaqueCFDictionary* dict, const void* key)
{
    size_t position = FindPosition(dict, key);
    return position < dict->entries.size() ? const_cast<DictionaryEntry*>(&dict->entries[position]) : nullptr;
}

void IndexAll(OpaqueCFDictionary* dict)
{
    dict->index.reserve(dict->entries.size());
    for (size_t position = 0; position < dict->entries.size(); ++position) {
        dict->index.emplace(dict->entries[position].key, position);
    }
}

void AddEntry(OpaqueCFDictionary* dict, const void* key, const void* value)
{
    const void* storedKey = RetainKey(dict, key);
    const void* storedValue = RetainValue(dict, value);
    dict->entries.push_back(DictionaryEntry{storedKey, storedValue});
    if (!dict->index.empty()) {
        dict->index.emplace(storedKey, dict->entries.size() - 1);
    } else if (dict->entries.size() > kDictionaryUnindexedEntries) {
        IndexAll(dict);
    }
}

// Takes the entry at position out of the dictionary, the order of the others kept, and answers it
// for its key and value to be released by the caller.
DictionaryEntry TakeEntry(OpaqueCFDictionary* dict, size_t position)
{
    DictionaryEntry entry = dict->entries[position];
    dict->entries.erase(dict->entries.begin() + static_cast<std::ptrdiff_t>(position));
    if (!dict->index.empty()) {
        dict->index.erase(entry.key);
        if (dict->entries.size() <= kDictionaryUnindexedEntries) {
            dict->index.clear();
        } else {
            // The entries after it moved up by one: one pass over the index, no key hashed again.
            for (auto& [key, at] : dict->index) {
                at -= at > position ? 1 : 0;
            }
        }
    }
    return entry;
}

// The old value goes only after the new one is held: setting the same object again must not free
// it on the way. The entry keeps its key and its place in the order.
void ReplaceEntryValue(OpaqueCFDictionary* dict, DictionaryEntry& entry, const void* value)
{
    const void* storedValue = RetainValue(dict, value);
    const void* old = entry.value;
    entry.value = storedValue;
    ReleaseValue(dict, old);
}

void SetEntry(OpaqueCFDictionary* dict, const void* key, const void* value)
{
    if (DictionaryEntry* entry = FindEntry(dict, key)) {
        ReplaceEntryValue(dict, *entry, value);
    } else {
        AddEntry(dict, key, value);
    }
}

void FinalizeDictionary(RuntimeBase* object)
{
    auto* dict = static_cast<OpaqueCFDictionary*>(object);
    for (const DictionaryEntry& entry : dict->entries) {
        ReleaseKey(dict, entry.key);
        ReleaseValue(dict, entry.value);
    }
    dict->~OpaqueCFDictionary();
}

bool DictionaryEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    const auto* first = static_cast<const OpaqueCFDictionary*>(a);
    const auto* second = static_cast<const OpaqueCFDictionary*>(b);
    if (first->entries.size() != second->entries.size()) {
        return false;
    }
    for (const DictionaryEntry& entry : first->entries) {
        const DictionaryEntry* other = FindEntry(second, entry.key);
        if (other == nullptr || !ValuesEqual(first->valueCallBacks, entry.value, other->value)) {
            return false;
        }
    }
    return true;
}

CFHashCode DictionaryHash(const RuntimeBase* object)
{
    return static_cast<CFHashCode>(static_cast<const OpaqueCFDictionary*>(object)->entries.size());
}

std::string DescribeDictionary(const RuntimeBase* object)
{
    const auto* dict = static_cast<const OpaqueCFDictionary*>(object);
    std::string text = "{";
    for (const DictionaryEntry& entry : dict->entries) {
        text += " ";
        text += DescribeCollectionValue(dict->keyCallBacks.copyDescription, entry.key);
        text += " = ";
        text += DescribeCollectionValue(dict->valueCallBacks.copyDescription, entry.value);
        text += ";";
    }
    text += " }";
    return text;
}

OpaqueCFDictionary* NewDictionary(CFAllocatorRef allocator, const CFDictionaryKeyCallBacks* keyCallBacks,
                                  const CFDictionaryValueCallBacks* valueCallBacks, bool isMutable)
{
    return CreateInstance<OpaqueCFDictionary>(allocator, kDictionaryClass,
                                              keyCallBacks != nullptr ? *keyCallBacks : CFDictionaryKeyCallBacks{},
                                              valueCallBacks != nullptr ? *valueCallBacks : CFDictionaryValueCallBacks{},
                                              isMutable);
}

OpaqueCFDictionary* CopyDictionary(CFAllocatorRef allocator, const OpaqueCFDictionary* source, bool isMutable)
{
    OpaqueCFDictionary* copy = NewDictionary(allocator, &source->keyCallBacks, &source->valueCallBacks, isMutable);
    if (copy == nullptr) {
        return nullptr;
    }
    copy->entries.reserve(source->entries.size());
    for (const DictionaryEntry& entry : source->entries) {
        AddEntry(copy, entry.key, entry.value);
    }
    return copy;
}

}  // namespace

const RuntimeClass kDictionaryClass{kDictionaryTypeID, "CFDictionary", &FinalizeDictionary, &DictionaryEqual,
                                    &DictionaryHash,   &DescribeDictionary};

const OpaqueCFDictionary* DictionaryObject(CFDictionaryRef dictionary, const char* caller)
{
    if (!IsType(dictionary, kDictionaryTypeID)) {
        Fail(caller, "not a dictionary");
    }
    return static_cast<const OpaqueCFDictionary*>(dictionary);
}

OpaqueCFDictionary* MutableDictionaryObject(CFMutableDictionaryRef dictionary, const char* caller)
{
    const OpaqueCFDictionary* object = DictionaryObject(dictionary, caller);
    if (!object->isMutable) {
        Fail(caller, "attempt to mutate an immutable dictionary");
    }
    return const_cast<OpaqueCFDictionary*>(object);
}

}  // namespace platform

using namespace platform;

extern "C" {

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks{0,        &RetainTypeValue, &ReleaseTypeValue,
                                                             &CFCopyDescription, &CFEqual, &CFHash};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks{0,        &CopyStringKey, &ReleaseTypeValue,
                                                                   &CFCopyDescription, &CFEqual, &CFHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks{0, &RetainTypeValue, &ReleaseTypeValue,
                                                                 &CFCopyDescription, &CFEqual};

CFTypeID CFDictionaryGetTypeID(void)
{
    RegisterRuntimeClass(kDictionaryClass);
    return kDictionaryTypeID;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys, const void** values, CFIndex numValues,
                                   const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks)
{
    if (numValues < 0 || (numValues > 0 && (keys == nullptr || values == nullptr))) {
        return nullptr;
    }
    OpaqueCFDictionary* dict = NewDictionary(allocator, keyCallBacks, valueCallBacks, false);
    if (dict == nullptr) {
        return nullptr;
    }
    dict->entries.reserve(static_cast<size_t>(numValues));
    for (CFIndex i = 0; i < numValues; ++i) {
        SetEntry(dict, keys[i], values[i]);  // a repeated key: the last value wins
    }
    return dict;
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef allocator, CFDictionaryRef theDict)
{
    return CopyDictionary(allocator, DictionaryObject(theDict, "CFDictionaryCreateCopy"), false);
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks)
{
    OpaqueCFDictionary* dict = NewDictionary(allocator, keyCallBacks, valueCallBacks, true);
    if (dict != nullptr && capacity > 0) {
        dict->entries.reserve(static_cast<size_t>(capacity));
    }
    return dict;
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDictionaryRef theDict)
{
    return CopyDictionary(allocator, DictionaryObject(theDict, "CFDictionaryCreateMutableCopy"), true);
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict)
{
    return static_cast<CFIndex>(DictionaryObject(theDict, "CFDictionaryGetCount")->entries.size());
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key)
{
    const DictionaryEntry* entry = FindEntry(DictionaryObject(theDict, "CFDictionaryGetValue"), key);
    return entry != nullptr ? entry->value : nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key)
{
    return FindEntry(DictionaryObject(theDict, "CFDictionaryContainsKey"), key) != nullptr;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values)
{
    const OpaqueCFDictionary* dict = DictionaryObject(theDict, "CFDictionaryGetKeysAndValues");
    size_t i = 0;
    for (const DictionaryEntry& entry : dict->entries) {
        if (keys != nullptr) {
            keys[i] = entry.key;
        }
        if (values != nullptr) {
            values[i] = entry.value;
        }
        ++i;
    }
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value)
{
    OpaqueCFDictionary* dict = MutableDictionaryObject(theDict, "CFDictionaryAddValue");
    if (FindEntry(dict, key) == nullptr) {
        AddEntry(dict, key, value);
    }
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value)
{
    SetEntry(MutableDictionaryObject(theDict, "CFDictionarySetValue"), key, value);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key)
{
    OpaqueCFDictionary* dict = MutableDictionaryObject(theDict, "CFDictionaryRemoveValue");
    size_t position = FindPosition(dict, key);
    if (position == dict->entries.size()) {
        return;
    }
    // Unlinked first, released after: the key passed in may be the very object being released.
    DictionaryEntry entry = TakeEntry(dict, position);
    ReleaseKey(dict, entry.key);
    ReleaseValue(dict, entry.value);
}

}  // extern "C"
