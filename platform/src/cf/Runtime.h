// The object runtime shared by every Core Foundation type: the object header, the table of type
// hooks, instance creation through an allocator, and the live-object count.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <atomic>
#include <new>
#include <string>
#include <utility>

namespace platform {

// Fixed type ids: one per type, so that a type id is a constant everywhere.
enum RuntimeTypeID : CFTypeID {
    kNotATypeID = 0,
    kAllocatorTypeID,
    kStringTypeID,
    kDataTypeID,
    kArrayTypeID,
    kDictionaryTypeID,
    kNumberTypeID,
    kBooleanTypeID,
    kUUIDTypeID,
    kURLTypeID,
    kDateTypeID,
    kBundleTypeID,
    kRunLoopTypeID,
    kRunLoopTimerTypeID,
    kKeychainTypeID,
    kKeychainItemTypeID,
    kKeychainSearchTypeID,
    kAccessTypeID,
    kACLTypeID,
    kTrustedApplicationTypeID,
    kWindowTypeID,
    kHIViewTypeID,
    kEventTypeID,
    kNibTypeID,
    kAlertTypeID,
    kFirstFreeTypeID,
    kMaxTypeID = 64
};

struct RuntimeBase;

// The hooks of one type. finalize runs the object's destructor (not the deallocation); equal is
// only called for two objects of the same type; describe answers UTF-8 text.
struct RuntimeClass {
    CFTypeID typeID;
    const char* name;
    void (*finalize)(RuntimeBase* object);
    bool (*equal)(const RuntimeBase* a, const RuntimeBase* b);
    CFHashCode (*hash)(const RuntimeBase* object);
    std::string (*describe)(const RuntimeBase* object);
};

// Every object starts with this header.
struct RuntimeBase {
    std::atomic<long> retainCount{1};
    CFTypeID typeID = kNotATypeID;
    CFAllocatorRef allocator = nullptr;  // retained when it is a created allocator
    bool immortal = false;               // constants: never counted, never freed
};

// Registers the type's hooks in the table (idempotent). Called before the first object of the
// type is made.
void RegisterRuntimeClass(const RuntimeClass& cls);
const RuntimeClass* RuntimeClassFor(CFTypeID typeID);

// Allocation of object memory through an allocator, and the matching release.
void* AllocateObjectMemory(CFAllocatorRef allocator, size_t size);
void FinishObject(RuntimeBase* object, const RuntimeClass& cls, CFAllocatorRef allocator);

// Creates an object of type T (derived from RuntimeBase) in memory from the allocator (NULL means
// the default one). Returns NULL when the allocator gives no memory. The new object has one
// reference and counts as live.
template <class T, class... Args>
T* CreateInstance(CFAllocatorRef allocator, const RuntimeClass& cls, Args&&... args)
{
    RegisterRuntimeClass(cls);
    void* memory = AllocateObjectMemory(allocator, sizeof(T));
    if (memory == nullptr) {
        return nullptr;
    }
    T* object = new (memory) T(std::forward<Args>(args)...);
    FinishObject(object, cls, allocator);
    return object;
}

// Makes an immortal object (a constant): plain heap memory, never freed, not counted.
template <class T, class... Args>
T* CreateImmortal(const RuntimeClass& cls, Args&&... args)
{
    RegisterRuntimeClass(cls);
    T* object = new T(std::forward<Args>(args)...);
    object->typeID = cls.typeID;
    object->immortal = true;
    return object;
}

// A finalize hook that runs T's destructor.
template <class T>
void FinalizeAs(RuntimeBase* object)
{
    static_cast<T*>(object)->~T();
}

inline const RuntimeBase* BaseOf(CFTypeRef cf)
{
    return static_cast<const RuntimeBase*>(cf);
}

// True when cf is an object of the type.
inline bool IsType(CFTypeRef cf, CFTypeID typeID)
{
    return cf != nullptr && BaseOf(cf)->typeID == typeID;
}

// Aborts with a message on a programming error that the platform refuses to continue after
// (a NULL retained, an object over-released, a wrong type passed).
[[noreturn]] void FatalError(const char* message);

// The allocator an object or a call works with: NULL and kCFAllocatorDefault resolve to the
// default allocator.
CFAllocatorRef ResolveAllocator(CFAllocatorRef allocator);

// Retains and releases a CF object: the retain and release of the kCFType... callbacks of arrays
// and dictionaries.
const void* RetainTypeValue(CFAllocatorRef allocator, const void* value);
void ReleaseTypeValue(CFAllocatorRef allocator, const void* value);

}  // namespace platform
