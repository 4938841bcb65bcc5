// Allocators: the system's (malloc), the null allocator, and allocators made from four callbacks.
#include "cf/Runtime.h"

#include "cf/StringObject.h"

#include <cstdio>
#include <cstdlib>

struct OpaqueCFAllocator : platform::RuntimeBase {
    constexpr explicit OpaqueCFAllocator(const CFAllocatorContext& ctx) : context(ctx) {}
    CFAllocatorContext context;
};

namespace {

using namespace platform;

void* SystemAllocate(CFIndex size, CFOptionFlags, void*)
{
    return std::malloc(static_cast<size_t>(size));
}

void* SystemReallocate(void* ptr, CFIndex newsize, CFOptionFlags, void*)
{
    return std::realloc(ptr, static_cast<size_t>(newsize));
}

void SystemDeallocate(void* ptr, void*)
{
    std::free(ptr);
}

void* NullAllocate(CFIndex, CFOptionFlags, void*)
{
    return nullptr;
}

void* NullReallocate(void*, CFIndex, CFOptionFlags, void*)
{
    return nullptr;
}

void NullDeallocate(void*, void*) {}

constexpr CFAllocatorContext kSystemContext{0,       nullptr,          nullptr,          nullptr, nullptr,
                                            &SystemAllocate, &SystemReallocate, &SystemDeallocate, nullptr};
constexpr CFAllocatorContext kNullContext{0,     nullptr,         nullptr,         nullptr, nullptr,
                                          &NullAllocate, &NullReallocate, &NullDeallocate, nullptr};
constexpr CFAllocatorContext kEmptyContext{};

// Constant allocators, usable from any static initializer.
struct ImmortalAllocator : OpaqueCFAllocator {
    constexpr explicit ImmortalAllocator(const CFAllocatorContext& ctx) : OpaqueCFAllocator(ctx)
    {
        typeID = kAllocatorTypeID;
        immortal = true;
    }
};

constinit ImmortalAllocator gSystemAllocator{kSystemContext};
constinit ImmortalAllocator gMallocAllocator{kSystemContext};
constinit ImmortalAllocator gNullAllocator{kNullContext};
constinit ImmortalAllocator gUseContextMarker{kEmptyContext};

void FinalizeAllocator(RuntimeBase* object)
{
    auto* allocator = static_cast<OpaqueCFAllocator*>(object);
    if (allocator->context.release != nullptr) {
        allocator->context.release(allocator->context.info);
    }
    allocator->~OpaqueCFAllocator();
}

std::string DescribeAllocator(const RuntimeBase* object)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "<CFAllocator %p>", static_cast<const void*>(object));
    return buffer;
}

const RuntimeClass kAllocatorClass{kAllocatorTypeID, "CFAllocator", &FinalizeAllocator, nullptr, nullptr,
                                   &DescribeAllocator};

const OpaqueCFAllocator* Resolved(CFAllocatorRef allocator)
{
    return static_cast<const OpaqueCFAllocator*>(ResolveAllocator(allocator));
}

// An allocator object that lives in memory given by its own context (kCFAllocatorUseContext), so
// it is freed with that context's deallocate.
CFAllocatorRef CreateSelfHostedAllocator(const CFAllocatorContext& context)
{
    if (context.allocate == nullptr) {
        return nullptr;
    }
    void* memory = context.allocate(sizeof(OpaqueCFAllocator), 0, context.info);
    if (memory == nullptr) {
        return nullptr;
    }
    auto* allocator = new (memory) OpaqueCFAllocator(context);
    // The object points at itself as its allocator; Deallocate must not retain or release it.
    FinishObject(allocator, kAllocatorClass, &gSystemAllocator);
    allocator->allocator = allocator;
    return allocator;
}

}  // namespace

namespace platform {

CFAllocatorRef ResolveAllocator(CFAllocatorRef allocator)
{
    return allocator == nullptr ? static_cast<CFAllocatorRef>(&gSystemAllocator) : allocator;
}

}  // namespace platform

extern "C" {

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = &gSystemAllocator;
const CFAllocatorRef kCFAllocatorMalloc = &gMallocAllocator;
const CFAllocatorRef kCFAllocatorNull = &gNullAllocator;
const CFAllocatorRef kCFAllocatorUseContext = &gUseContextMarker;

CFTypeID CFAllocatorGetTypeID(void)
{
    RegisterRuntimeClass(kAllocatorClass);
    return kAllocatorTypeID;
}

CFAllocatorRef CFAllocatorCreate(CFAllocatorRef allocator, CFAllocatorContext* context)
{
    if (context == nullptr) {
        return nullptr;
    }
    CFAllocatorContext copy = *context;
    if (copy.retain != nullptr && copy.info != nullptr) {
        copy.info = const_cast<void*>(copy.retain(copy.info));
    }
    CFAllocatorRef created = allocator == kCFAllocatorUseContext
                                 ? CreateSelfHostedAllocator(copy)
                                 : CreateInstance<OpaqueCFAllocator>(allocator, kAllocatorClass, copy);
    if (created == nullptr && copy.release != nullptr && copy.info != nullptr) {
        copy.release(copy.info);
    }
    return created;
}

void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint)
{
    const OpaqueCFAllocator* resolved = Resolved(allocator);
    if (size <= 0 || resolved->context.allocate == nullptr) {
        return nullptr;
    }
    return resolved->context.allocate(size, hint, resolved->context.info);
}

void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr)
{
    const OpaqueCFAllocator* resolved = Resolved(allocator);
    if (ptr != nullptr && resolved->context.deallocate != nullptr) {
        resolved->context.deallocate(ptr, resolved->context.info);
    }
}

void CFAllocatorGetContext(CFAllocatorRef allocator, CFAllocatorContext* context)
{
    if (context != nullptr) {
        *context = Resolved(allocator)->context;
    }
}

}  // extern "C"
