// Reference counting, the type table and the polymorphic operations of every object.
#include "cf/Runtime.h"

#include "base/CFOwner.h"
#include "cf/StringObject.h"

#include <PlatformHost.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::array<std::atomic<const RuntimeClass*>, kMaxTypeID> gClassTable{};
std::atomic<long> gLiveObjects{0};

}  // namespace

void FatalError(const char* message)
{
    std::fprintf(stderr, "platform: fatal: %s\n", message);
    std::fflush(stderr);
    std::abort();
}

void RegisterRuntimeClass(const RuntimeClass& cls)
{
    if (cls.typeID == kNotATypeID || cls.typeID >= kMaxTypeID) {
        FatalError("type id out of range");
    }
    gClassTable[cls.typeID].store(&cls, std::memory_order_release);
}

const RuntimeClass* RuntimeClassFor(CFTypeID typeID)
{
    if (typeID >= kMaxTypeID) {
        return nullptr;
    }
    return gClassTable[typeID].load(std::memory_order_acquire);
}

void* AllocateObjectMemory(CFAllocatorRef allocator, size_t size)
{
    return CFAllocatorAllocate(ResolveAllocator(allocator), static_cast<CFIndex>(size), 0);
}

void FinishObject(RuntimeBase* object, const RuntimeClass& cls, CFAllocatorRef allocator)
{
    CFAllocatorRef resolved = ResolveAllocator(allocator);
    object->typeID = cls.typeID;
    object->allocator = resolved;
    if (!BaseOf(resolved)->immortal) {
        CFRetain(resolved);
    }
    gLiveObjects.fetch_add(1, std::memory_order_relaxed);
}

const void* RetainTypeValue(CFAllocatorRef, const void* value)
{
    return CFRetain(value);
}

void ReleaseTypeValue(CFAllocatorRef, const void* value)
{
    CFRelease(value);
}

}  // namespace platform

using namespace platform;

namespace {

void Deallocate(RuntimeBase* object)
{
    const RuntimeClass* cls = RuntimeClassFor(object->typeID);
    CFAllocatorRef allocator = object->allocator;
    // An allocator created with kCFAllocatorUseContext lives in its own memory: take its context
    // before it is finalized, and do not release it through itself.
    const bool selfHosted = allocator == static_cast<CFAllocatorRef>(static_cast<const void*>(object));
    CFAllocatorContext context{};
    if (selfHosted) {
        CFAllocatorGetContext(allocator, &context);
    }
    if (cls != nullptr && cls->finalize != nullptr) {
        cls->finalize(object);
    }
    if (selfHosted) {
        if (context.deallocate != nullptr) {
            context.deallocate(object, context.info);
        }
    } else {
        CFAllocatorDeallocate(allocator, object);
    }
    gLiveObjects.fetch_sub(1, std::memory_order_relaxed);
    if (!selfHosted && !BaseOf(allocator)->immortal) {
        CFRelease(allocator);
    }
}

}  // namespace

extern "C" {

long PlatformLiveObjectCount(void)
{
    return gLiveObjects.load(std::memory_order_relaxed);
}

CFTypeID CFGetTypeID(CFTypeRef cf)
{
    if (cf == nullptr) {
        FatalError("CFGetTypeID called with NULL");
    }
    return BaseOf(cf)->typeID;
}

CFTypeRef CFRetain(CFTypeRef cf)
{
    if (cf == nullptr) {
        FatalError("CFRetain called with NULL");
    }
    auto* object = const_cast<RuntimeBase*>(BaseOf(cf));
    if (object->immortal) {
        return cf;
    }
    long previous = object->retainCount.fetch_add(1, std::memory_order_relaxed);
    if (previous <= 0) {
        FatalError("CFRetain of an object that has been freed");
    }
    return cf;
}

void CFRelease(CFTypeRef cf)
{
    if (cf == nullptr) {
        FatalError("CFRelease called with NULL");
    }
    auto* object = const_cast<RuntimeBase*>(BaseOf(cf));
    if (object->immortal) {
        return;
    }
    long previous = object->retainCount.fetch_sub(1, std::memory_order_acq_rel);
    if (previous <= 0) {
        FatalError("CFRelease of an object that has already been released");
    }
    if (previous == 1) {
        Deallocate(object);
    }
}

CFIndex CFGetRetainCount(CFTypeRef cf)
{
    if (cf == nullptr) {
        FatalError("CFGetRetainCount called with NULL");
    }
    const RuntimeBase* object = BaseOf(cf);
    // Constants answer a very large count, as on the original platform.
    return object->immortal ? 0x7fffffffL : object->retainCount.load(std::memory_order_relaxed);
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2)
{
    if (cf1 == nullptr || cf2 == nullptr) {
        FatalError("CFEqual called with NULL");
    }
    if (cf1 == cf2) {
        return true;
    }
    if (BaseOf(cf1)->typeID != BaseOf(cf2)->typeID) {
        return false;
    }
    const RuntimeClass* cls = RuntimeClassFor(BaseOf(cf1)->typeID);
    return cls != nullptr && cls->equal != nullptr && cls->equal(BaseOf(cf1), BaseOf(cf2));
}

CFHashCode CFHash(CFTypeRef cf)
{
    if (cf == nullptr) {
        FatalError("CFHash called with NULL");
    }
    const RuntimeClass* cls = RuntimeClassFor(BaseOf(cf)->typeID);
    if (cls != nullptr && cls->hash != nullptr) {
        return cls->hash(BaseOf(cf));
    }
    return reinterpret_cast<CFHashCode>(cf);
}

CFStringRef CFCopyDescription(CFTypeRef cf)
{
    if (cf == nullptr) {
        return nullptr;
    }
    const RuntimeClass* cls = RuntimeClassFor(BaseOf(cf)->typeID);
    std::string text;
    if (cls != nullptr && cls->describe != nullptr) {
        text = cls->describe(BaseOf(cf));
    } else {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "<%s %p>", cls != nullptr ? cls->name : "CFType", cf);
        text = buffer;
    }
    return CreateStringFromUTF8(nullptr, text);
}

CFAllocatorRef CFGetAllocator(CFTypeRef cf)
{
    if (cf == nullptr) {
        FatalError("CFGetAllocator called with NULL");
    }
    return BaseOf(cf)->immortal ? kCFAllocatorSystemDefault : BaseOf(cf)->allocator;
}

void CFShow(CFTypeRef obj)
{
    if (obj == nullptr) {
        std::fputs("(null)\n", stderr);
        return;
    }
    std::string text;
    if (IsType(obj, kStringTypeID)) {
        text = StringToUTF8(static_cast<CFStringRef>(obj));
    } else {
        CFOwner<CFStringRef> description = AdoptCF(CFCopyDescription(obj));
        text = StringToUTF8(description.Get());
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // extern "C"
