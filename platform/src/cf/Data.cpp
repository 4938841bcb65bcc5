// Data: byte buffers, either owned (copies, and every mutable buffer) or taken over from the
// caller without copying and freed through the deallocator the caller named.
#include "base/CFOwner.h"
#include "cf/Runtime.h"
#include "WipedMemory.h"

#include <CoreFoundation/CFData.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// Owned bytes are wiped whenever their block is given back (on growth too): data objects carry
// secure notes' payloads.
using DataBytes = std::vector<UInt8, platform::WipingAllocator<UInt8>>;

struct OpaqueCFData : platform::RuntimeBase {
    OpaqueCFData(DataBytes bytes, bool isMutable_) : owned(std::move(bytes)), isMutable(isMutable_) {}
    OpaqueCFData(const UInt8* bytes, CFIndex length, CFAllocatorRef deallocator)
        : external(bytes), externalLength(length), bytesDeallocator(platform::RetainCF(deallocator))
    {
    }
    DataBytes owned;
    // Bytes taken over without copying, and the allocator that frees them (kCFAllocatorNull frees
    // nothing).
    const UInt8* external = nullptr;
    CFIndex externalLength = 0;
    platform::CFOwner<CFAllocatorRef> bytesDeallocator;
    bool isMutable = false;

    const UInt8* Bytes() const { return external != nullptr ? external : owned.data(); }
    CFIndex Length() const { return external != nullptr ? externalLength : static_cast<CFIndex>(owned.size()); }
};

namespace platform {
namespace {

[[noreturn]] void Fail(const char* caller, const char* problem)
{
    std::string message = std::string(caller) + ": " + problem;
    FatalError(message.c_str());
}

const OpaqueCFData* AsData(CFDataRef data, const char* caller)
{
    if (!IsType(data, kDataTypeID)) {
        Fail(caller, "not a data object");
    }
    return static_cast<const OpaqueCFData*>(data);
}

DataBytes& MutableBytes(CFMutableDataRef data, const char* caller)
{
    const OpaqueCFData* object = AsData(data, caller);
    if (!object->isMutable) {
        Fail(caller, "attempt to mutate an immutable data object");
    }
    return const_cast<OpaqueCFData*>(object)->owned;
}

void FinalizeData(RuntimeBase* object)
{
    auto* data = static_cast<OpaqueCFData*>(object);
    if (data->external != nullptr) {
        CFAllocatorDeallocate(data->bytesDeallocator.Get(), const_cast<UInt8*>(data->external));
    }
    // The deallocator goes with the object, once it has freed the bytes.
    data->~OpaqueCFData();
}

std::string_view View(const OpaqueCFData* data)
{
    return std::string_view(reinterpret_cast<const char*>(data->Bytes()), static_cast<size_t>(data->Length()));
}

bool DataEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    return View(static_cast<const OpaqueCFData*>(a)) == View(static_cast<const OpaqueCFData*>(b));
}

CFHashCode DataHash(const RuntimeBase* object)
{
    return static_cast<CFHashCode>(std::hash<std::string_view>{}(View(static_cast<const OpaqueCFData*>(object))));
}

std::string DescribeData(const RuntimeBase* object)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "<";
    for (unsigned char byte : View(static_cast<const OpaqueCFData*>(object))) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    text += ">";
    return text;
}

const RuntimeClass kDataClass{kDataTypeID, "CFData", &FinalizeData, &DataEqual, &DataHash, &DescribeData};

OpaqueCFData* NewOwnedData(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length, bool isMutable,
                           CFIndex capacity)
{
    DataBytes storage;
    if (capacity > length) {
        storage.reserve(static_cast<size_t>(capacity));
    }
    if (length > 0) {
        storage.assign(bytes, bytes + length);
    }
    return CreateInstance<OpaqueCFData>(allocator, kDataClass, std::move(storage), isMutable);
}

}  // namespace
}  // namespace platform

using namespace platform;

extern "C" {

CFTypeID CFDataGetTypeID(void)
{
    RegisterRuntimeClass(kDataClass);
    return kDataTypeID;
}

CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length)
{
    if (length < 0 || (bytes == nullptr && length > 0)) {
        return nullptr;
    }
    return NewOwnedData(allocator, bytes, length, false, 0);
}

CFDataRef CFDataCreateWithBytesNoCopy(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length,
                                      CFAllocatorRef bytesDeallocator)
{
    if (length < 0 || (bytes == nullptr && length > 0)) {
        return nullptr;
    }
    if (bytes == nullptr) {
        // Nothing to take over: an empty buffer of our own.
        return NewOwnedData(allocator, nullptr, 0, false, 0);
    }
    CFAllocatorRef deallocator = ResolveAllocator(bytesDeallocator);
    // On failure the caller still owns the bytes: nothing is freed and the deallocator is not kept.
    return CreateInstance<OpaqueCFData>(allocator, kDataClass, bytes, length, deallocator);
}

CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData)
{
    const OpaqueCFData* source = AsData(theData, "CFDataCreateCopy");
    return NewOwnedData(allocator, source->Bytes(), source->Length(), false, 0);
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef allocator, CFIndex capacity)
{
    return NewOwnedData(allocator, nullptr, 0, true, capacity);
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDataRef theData)
{
    const OpaqueCFData* source = AsData(theData, "CFDataCreateMutableCopy");
    return NewOwnedData(allocator, source->Bytes(), source->Length(), true, capacity);
}

CFIndex CFDataGetLength(CFDataRef theData)
{
    return AsData(theData, "CFDataGetLength")->Length();
}

const UInt8* CFDataGetBytePtr(CFDataRef theData)
{
    return AsData(theData, "CFDataGetBytePtr")->Bytes();
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length)
{
    DataBytes& storage = MutableBytes(theData, "CFDataAppendBytes");
    if (length < 0 || (bytes == nullptr && length > 0)) {
        Fail("CFDataAppendBytes", "invalid bytes");
    }
    if (length > 0) {
        // Copied out first: the bytes may lie inside this very buffer, which may move as it grows.
        DataBytes added(bytes, bytes + length);
        storage.insert(storage.end(), added.begin(), added.end());
    }
}

}  // extern "C"
