#include "support/CFDictArray.h"

#include "support/CFObj.h"

#include <algorithm>
#include <vector>

namespace {

CFMutableArrayRef CreateEmptyArray()
{
    return CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
}

// A new array holding the same values as source; an empty one when there is no source, so that a
// copy of an object without an array is still usable.
CFMutableArrayRef CreateCopyOf(CFMutableArrayRef source)
{
    return source != nullptr ? CFArrayCreateMutableCopy(kCFAllocatorDefault, 0, source) : CreateEmptyArray();
}

bool IsDictionary(CFTypeRef value)
{
    return value != nullptr && CFGetTypeID(value) == CFDictionaryGetTypeID();
}

}  // namespace

CFDictArray::CFDictArray() : mArray(CreateEmptyArray()), mModified(false) {}

CFDictArray::CFDictArray(CFMutableArrayRef array, Boolean retain) : mArray(array), mModified(false)
{
    if (mArray != nullptr && retain) {
        CFRetain(mArray);
    }
}

CFDictArray::CFDictArray(const CFDictArray& other) : mArray(CreateCopyOf(other.mArray)), mModified(false) {}

CFDictArray::CFDictArray(CFStringRef key, CFStringRef applicationID, UInt32 options) : mArray(nullptr), mModified(false)
{
    CFDictArray::LoadArrayFromPrefs(key, applicationID, options);
}

CFDictArray& CFDictArray::operator=(const CFDictArray& other)
{
    if (&other == this) {
        return *this;
    }
    CFMutableArrayRef copy = CreateCopyOf(other.mArray);
    ReleaseArray();
    mArray = copy;
    mModified = true;
    return *this;
}

CFDictArray::~CFDictArray()
{
    ReleaseArray();
}

void CFDictArray::ReleaseArray()
{
    if (mArray != nullptr) {
        CFRelease(mArray);
        mArray = nullptr;
    }
}

void CFDictArray::ReplaceMutableArray(CFMutableArrayRef array, Boolean retain)
{
    if (array == mArray) {
        return;
    }
    ReleaseArray();
    mArray = array;
    mModified = true;
    if (mArray != nullptr && retain) {
        CFRetain(mArray);
    }
}

SInt32 CFDictArray::GetCount() const
{
    return mArray != nullptr ? static_cast<SInt32>(CFArrayGetCount(mArray)) : 0;
}

void CFDictArray::AddItem(CFDictionaryRef item)
{
    if (mArray == nullptr || item == nullptr) {
        return;
    }
    CFArrayAppendValue(mArray, item);
    mModified = true;
}

void CFDictArray::InsertItemAt(CFDictionaryRef item, SInt32 index)
{
    // Callers keep the index in range; one outside it is refused rather than corrupting the list.
    if (mArray == nullptr || item == nullptr || index < 0 || index > GetCount()) {
        return;
    }
    CFArrayInsertValueAtIndex(mArray, index, item);
    mModified = true;
}

void CFDictArray::RemoveItemAt(SInt32 index)
{
    if (mArray == nullptr || index < 0 || index >= GetCount()) {
        return;
    }
    CFArrayRemoveValueAtIndex(mArray, index);
    mModified = true;
}

void CFDictArray::RemoveAllItems()
{
    if (mArray == nullptr) {
        return;
    }
    CFArrayRemoveAllValues(mArray);
    mModified = true;
}

SInt32 CFDictArray::MoveOneItem(SInt32 from, SInt32 to)
{
    if (mArray == nullptr) {
        return 0;
    }
    SInt32 count = GetCount();
    if (from < 0 || from > count - 1) {
        return 0;
    }
    SInt32 dest = to < 0 ? 0 : (to > count ? count : to);

    // The value is inserted a second time first, so the array holds it throughout the move.
    CFArrayInsertValueAtIndex(mArray, dest, CFArrayGetValueAtIndex(mArray, from));
    if (GetCount() != count + 1) {
        return from;
    }
    mModified = true;
    if (dest > from) {
        CFArrayRemoveValueAtIndex(mArray, from);
        return dest - 1;
    }
    CFArrayRemoveValueAtIndex(mArray, from + 1);
    return dest;
}

SInt32 CFDictArray::MoveItems(CFArrayRef indexes, SInt32 to)
{
    if (mArray == nullptr || indexes == nullptr) {
        return 0;
    }
    const SInt32 count = GetCount();
    CFObj<CFMutableArrayRef> moved(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    if (moved.Get() == nullptr) {
        return 0;
    }

    // Collect the values in the order the indexes give them. An index listed twice is moved once:
    // removing it twice would take away a value that was never asked for.
    std::vector<SInt32> valid;
    CFIndex listed = CFArrayGetCount(indexes);
    for (CFIndex i = 0; i < listed; ++i) {
        CFTypeRef element = CFArrayGetValueAtIndex(indexes, i);
        if (element == nullptr || CFGetTypeID(element) != CFNumberGetTypeID()) {
            continue;
        }
        CFIndex index = -1;
        if (!CFNumberGetValue(static_cast<CFNumberRef>(element), kCFNumberCFIndexType, &index)) {
            index = -1;
        }
        if (index < 0 || index >= count) {
            continue;
        }
        if (std::find(valid.begin(), valid.end(), static_cast<SInt32>(index)) != valid.end()) {
            continue;
        }
        valid.push_back(static_cast<SInt32>(index));
        CFArrayAppendValue(moved.Get(), CFArrayGetValueAtIndex(mArray, index));
    }

    // Remove from the highest index down, so each removal leaves the positions still to be
    // removed in place, whatever order the caller listed them in.
    std::vector<SInt32> descending = valid;
    std::sort(descending.begin(), descending.end(), [](SInt32 a, SInt32 b) { return a > b; });
    for (SInt32 index : descending) {
        CFArrayRemoveValueAtIndex(mArray, index);
        mModified = true;
        if (index < to) {
            --to;
        }
    }

    // A destination outside the list lands at its nearer end instead of outside the array.
    SInt32 remaining = GetCount();
    if (to < 0) {
        to = 0;
    } else if (to > remaining) {
        to = remaining;
    }
    CFIndex movedCount = CFArrayGetCount(moved.Get());
    for (CFIndex j = 0; j < movedCount; ++j) {
        CFArrayInsertValueAtIndex(mArray, to + j, CFArrayGetValueAtIndex(moved.Get(), j));
        mModified = true;
    }
    return to;
}

CFDictionaryRef CFDictArray::FetchItemAt(SInt32 index) const
{
    if (mArray == nullptr || index < 0 || index >= GetCount()) {
        return nullptr;
    }
    CFTypeRef value = CFArrayGetValueAtIndex(mArray, index);
    return IsDictionary(value) ? static_cast<CFDictionaryRef>(value) : nullptr;
}

CFDictionaryRef CFDictArray::PeekItemAt(SInt32 index) const
{
    // Callers guarantee the range; the test stays so that a slip answers NULL, not a stray read.
    if (mArray == nullptr || index < 0 || index >= GetCount()) {
        return nullptr;
    }
    CFTypeRef value = CFArrayGetValueAtIndex(mArray, index);
    return IsDictionary(value) ? static_cast<CFDictionaryRef>(value) : nullptr;
}

void CFDictArray::SetItemAt(CFDictionaryRef item, SInt32 index)
{
    if (mArray == nullptr || item == nullptr || index < 0 || index >= GetCount()) {
        return;
    }
    CFArraySetValueAtIndex(mArray, index, item);
    mModified = true;
}

void CFDictArray::LoadArrayFromPrefs(CFStringRef key, CFStringRef applicationID, UInt32 options)
{
    ReleaseArray();
    if (key != nullptr && applicationID != nullptr) {
        CFObjDel stored(CFPreferencesCopyAppValue(key, applicationID));
        if (stored.Get() != nullptr && CFGetTypeID(stored.Get()) == CFArrayGetTypeID()) {
            CFPropertyListRef copy = CFPropertyListCreateDeepCopy(kCFAllocatorDefault, stored.Get(), options);
            if (copy != nullptr && options == kCFPropertyListImmutable) {
                // The list operations need a mutable array: keep the records as asked, immutable,
                // but hold them in a mutable array of their own.
                CFObjDel immutable(copy);
                copy = CFArrayCreateMutableCopy(kCFAllocatorDefault, 0, static_cast<CFArrayRef>(copy));
            }
            mArray = static_cast<CFMutableArrayRef>(const_cast<void*>(copy));
        }
    }
    if (mArray == nullptr) {
        mArray = CreateEmptyArray();
    }
}

void CFDictArray::SaveArrayToPrefs(CFStringRef key, CFStringRef applicationID) const
{
    if (mArray != nullptr) {
        CFPreferencesSetAppValue(key, mArray, applicationID);
    }
}

CFStringRef CFDictArray::GetItemStringForKey(SInt32 index, CFStringRef key) const
{
    CFDictionaryRef record = FetchItemAt(index);
    if (record == nullptr) {
        return nullptr;
    }
    CFTypeRef value = CFDictionaryGetValue(record, key);
    if (value == nullptr || CFGetTypeID(value) != CFStringGetTypeID()) {
        return nullptr;
    }
    return static_cast<CFStringRef>(value);
}

void CFDictArray::SetItemStringForKey(SInt32 index, CFStringRef key, CFStringRef value)
{
    CFDictionaryRef record = FetchItemAt(index);
    if (record == nullptr) {
        return;
    }
    auto mutableRecord = const_cast<CFMutableDictionaryRef>(record);
    if (value != nullptr) {
        CFDictionarySetValue(mutableRecord, key, value);
    } else {
        CFDictionaryRemoveValue(mutableRecord, key);
    }
    mModified = true;
}

Boolean CFDictArray::GetItemBooleanForKey(SInt32 index, CFStringRef key, Boolean defaultValue) const
{
    CFDictionaryRef record = FetchItemAt(index);
    if (record == nullptr) {
        return defaultValue;
    }
    CFTypeRef value = CFDictionaryGetValue(record, key);
    if (value == nullptr || CFGetTypeID(value) != CFBooleanGetTypeID()) {
        return defaultValue;
    }
    return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) ? 1 : 0;
}

void CFDictArray::SetItemBooleanForKey(SInt32 index, CFStringRef key, Boolean value)
{
    CFDictionaryRef record = FetchItemAt(index);
    if (record == nullptr) {
        return;
    }
    CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(record), key, value ? kCFBooleanTrue : kCFBooleanFalse);
    mModified = true;
}

CFMutableDictionaryRef CFDictArray::ReplaceDictionaryWithMutableCopyAt(SInt32 index)
{
    CFDictionaryRef record = FetchItemAt(index);
    if (record == nullptr) {
        return nullptr;
    }
    CFObj<CFMutableDictionaryRef> copy(CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, record));
    if (copy.Get() == nullptr) {
        return nullptr;
    }
    // The array's reference keeps the copy alive once the owner here lets go of its own.
    CFArraySetValueAtIndex(mArray, index, copy.Get());
    mModified = true;
    return copy.Get();
}
