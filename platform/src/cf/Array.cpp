// Arrays: ordered values kept through the callbacks their creator chose.
#include "cf/ArrayObject.h"

#include "cf/CollectionSupport.h"
#include "cf/StringObject.h"

#include <cstdio>
#include <string>

namespace platform {
namespace {

[[noreturn]] void Fail(const char* caller, const char* problem)
{
    std::string message = std::string(caller) + ": " + problem;
    FatalError(message.c_str());
}

const void* RetainInto(const OpaqueCFArray* array, const void* value)
{
    return array->callBacks.retain != nullptr ? array->callBacks.retain(array->allocator, value) : value;
}

void ReleaseFrom(const OpaqueCFArray* array, const void* value)
{
    if (array->callBacks.release != nullptr) {
        array->callBacks.release(array->allocator, value);
    }
}

bool ValuesEqual(const CFArrayCallBacks& callBacks, const void* a, const void* b)
{
    if (a == b) {
        return true;
    }
    return callBacks.equal != nullptr && callBacks.equal(a, b);
}

void CheckRange(const OpaqueCFArray* array, CFRange range, const char* caller)
{
    const auto count = static_cast<CFIndex>(array->values.size());
    if (range.location < 0 || range.length < 0 || range.location > count || range.length > count - range.location) {
        Fail(caller, "range out of bounds");
    }
}

void FinalizeArray(RuntimeBase* object)
{
    auto* array = static_cast<OpaqueCFArray*>(object);
    for (const void* value : array->values) {
        ReleaseFrom(array, value);
    }
    array->~OpaqueCFArray();
}

bool ArrayEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    const auto* first = static_cast<const OpaqueCFArray*>(a);
    const auto* second = static_cast<const OpaqueCFArray*>(b);
    if (first->values.size() != second->values.size()) {
        return false;
    }
    for (size_t i = 0; i < first->values.size(); ++i) {
        if (!ValuesEqual(first->callBacks, first->values[i], second->values[i])) {
            return false;
        }
    }
    return true;
}

CFHashCode ArrayHash(const RuntimeBase* object)
{
    return static_cast<CFHashCode>(static_cast<const OpaqueCFArray*>(object)->values.size());
}

std::string DescribeArray(const RuntimeBase* object)
{
    const auto* array = static_cast<const OpaqueCFArray*>(object);
    std::string text = "(";
    for (size_t i = 0; i < array->values.size(); ++i) {
        text += i == 0 ? " " : ", ";
        text += DescribeCollectionValue(array->callBacks.copyDescription, array->values[i]);
    }
    text += " )";
    return text;
}

OpaqueCFArray* NewArray(CFAllocatorRef allocator, const CFArrayCallBacks* callBacks, bool isMutable)
{
    return CreateInstance<OpaqueCFArray>(allocator, kArrayClass, callBacks != nullptr ? *callBacks : CFArrayCallBacks{},
                                         isMutable);
}

OpaqueCFArray* CopyArray(CFAllocatorRef allocator, const OpaqueCFArray* source, bool isMutable)
{
    OpaqueCFArray* copy = NewArray(allocator, &source->callBacks, isMutable);
    if (copy == nullptr) {
        return nullptr;
    }
    copy->values.reserve(source->values.size());
    for (const void* value : source->values) {
        copy->values.push_back(RetainInto(copy, value));
    }
    return copy;
}

}  // namespace

const RuntimeClass kArrayClass{kArrayTypeID, "CFArray", &FinalizeArray, &ArrayEqual, &ArrayHash, &DescribeArray};

const OpaqueCFArray* ArrayObject(CFArrayRef array, const char* caller)
{
    if (!IsType(array, kArrayTypeID)) {
        Fail(caller, "not an array");
    }
    return static_cast<const OpaqueCFArray*>(array);
}

OpaqueCFArray* MutableArrayObject(CFMutableArrayRef array, const char* caller)
{
    const OpaqueCFArray* object = ArrayObject(array, caller);
    if (!object->isMutable) {
        Fail(caller, "attempt to mutate an immutable array");
    }
    return const_cast<OpaqueCFArray*>(object);
}

}  // namespace platform

using namespace platform;

extern "C" {

const CFArrayCallBacks kCFTypeArrayCallBacks{0, &RetainTypeValue, &ReleaseTypeValue, &CFCopyDescription, &CFEqual};

CFTypeID CFArrayGetTypeID(void)
{
    RegisterRuntimeClass(kArrayClass);
    return kArrayTypeID;
}

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks)
{
    if (numValues < 0 || (values == nullptr && numValues > 0)) {
        return nullptr;
    }
    OpaqueCFArray* array = NewArray(allocator, callBacks, false);
    if (array == nullptr) {
        return nullptr;
    }
    array->values.reserve(static_cast<size_t>(numValues));
    for (CFIndex i = 0; i < numValues; ++i) {
        array->values.push_back(RetainInto(array, values[i]));
    }
    return array;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callBacks)
{
    OpaqueCFArray* array = NewArray(allocator, callBacks, true);
    if (array != nullptr && capacity > 0) {
        array->values.reserve(static_cast<size_t>(capacity));
    }
    return array;
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFArrayRef theArray)
{
    return CopyArray(allocator, ArrayObject(theArray, "CFArrayCreateMutableCopy"), true);
}

CFIndex CFArrayGetCount(CFArrayRef theArray)
{
    return static_cast<CFIndex>(ArrayObject(theArray, "CFArrayGetCount")->values.size());
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx)
{
    const OpaqueCFArray* array = ArrayObject(theArray, "CFArrayGetValueAtIndex");
    if (idx < 0 || static_cast<size_t>(idx) >= array->values.size()) {
        Fail("CFArrayGetValueAtIndex", "index out of range");
    }
    return array->values[static_cast<size_t>(idx)];
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range, const void* value)
{
    const OpaqueCFArray* array = ArrayObject(theArray, "CFArrayGetFirstIndexOfValue");
    CheckRange(array, range, "CFArrayGetFirstIndexOfValue");
    for (CFIndex i = range.location; i < range.location + range.length; ++i) {
        if (ValuesEqual(array->callBacks, array->values[static_cast<size_t>(i)], value)) {
            return i;
        }
    }
    return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value)
{
    return CFArrayGetFirstIndexOfValue(theArray, range, value) != kCFNotFound;
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value)
{
    OpaqueCFArray* array = MutableArrayObject(theArray, "CFArrayAppendValue");
    array->values.push_back(RetainInto(array, value));
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value)
{
    OpaqueCFArray* array = MutableArrayObject(theArray, "CFArrayInsertValueAtIndex");
    if (idx < 0 || static_cast<size_t>(idx) > array->values.size()) {
        Fail("CFArrayInsertValueAtIndex", "index out of range");
    }
    array->values.insert(array->values.begin() + idx, RetainInto(array, value));
}

void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value)
{
    OpaqueCFArray* array = MutableArrayObject(theArray, "CFArraySetValueAtIndex");
    // An index equal to the count appends, as the original platform allows.
    if (idx < 0 || static_cast<size_t>(idx) > array->values.size()) {
        Fail("CFArraySetValueAtIndex", "index out of range");
    }
    const void* retained = RetainInto(array, value);
    if (static_cast<size_t>(idx) == array->values.size()) {
        array->values.push_back(retained);
        return;
    }
    // The old value goes only after the new one is held: setting the same object again must not
    // free it on the way.
    const void* old = array->values[static_cast<size_t>(idx)];
    array->values[static_cast<size_t>(idx)] = retained;
    ReleaseFrom(array, old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx)
{
    OpaqueCFArray* array = MutableArrayObject(theArray, "CFArrayRemoveValueAtIndex");
    if (idx < 0 || static_cast<size_t>(idx) >= array->values.size()) {
        Fail("CFArrayRemoveValueAtIndex", "index out of range");
    }
    const void* old = array->values[static_cast<size_t>(idx)];
    array->values.erase(array->values.begin() + idx);
    ReleaseFrom(array, old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray)
{
    OpaqueCFArray* array = MutableArrayObject(theArray, "CFArrayRemoveAllValues");
    // Emptied first, released after: a release callback that looks at the array sees it empty.
    std::vector<const void*> old;
    old.swap(array->values);
    for (const void* value : old) {
        ReleaseFrom(array, value);
    }
}

}  // extern "C"
