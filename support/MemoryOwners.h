// Scoped owners of memory blocks and single objects. Each holds a pointer and an ownership flag
// (1: the owner releases what it points to when it goes away, 0: it does not), so a block can be
// handed to someone else and the owner then forgets about it. Allocation failures are thrown as
// bare status codes, which the plug-in's entry points catch.
#pragma once

#include "support/MemObjClearOption.h"

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

#include <cstdlib>
#include <cstring>

// A block from the standard allocator (malloc / calloc), released with free.
template <class T>
class AStdMalloc {
public:
    AStdMalloc() = default;
    virtual ~AStdMalloc()
    {
        if (mOwnership != 0 && mPtr != nullptr) {
            std::free(mPtr);
        }
    }
    AStdMalloc(const AStdMalloc&) = delete;
    AStdMalloc& operator=(const AStdMalloc&) = delete;

    // Allocates room for count elements and copies them from source when it is given. A count of
    // 0 allocates nothing. Throws memFullErr as a 32-bit integer when no memory can be had. A block
    // already held is not released: each owner serves one allocation.
    void AllocateAndCopy(const T* source, UInt32 count, EMemObjClearOption clear)
    {
        if (count == 0) {
            return;
        }
        size_t bytes = static_cast<size_t>(count) * sizeof(T);
        void* block = (clear == kMemObjClear && source == nullptr) ? std::calloc(count, sizeof(T)) : std::malloc(bytes);
        if (block == nullptr) {
            throw static_cast<SInt32>(memFullErr);
        }
        mPtr = static_cast<T*>(block);
        mOwnership = 1;
        if (source != nullptr) {
            std::memmove(mPtr, source, bytes);
        }
    }

    T* Get() const { return mPtr; }
    UInt32 GetOwnership() const { return mOwnership; }

    // Gives up ownership: the receiver frees the block with free. The pointer stays readable here.
    T* HandOut()
    {
        mOwnership = 0;
        return mPtr;
    }

    // The process-wide allocator that frees with free: a data object given it as its deallocator
    // takes over a handed-out block without copying it. Created on first use, never released.
    static CFAllocatorRef GetCFAllocator();

private:
    T* mPtr = nullptr;
    UInt32 mOwnership = 0;
};

template <>
CFAllocatorRef AStdMalloc<char>::GetCFAllocator();

// A Memory Manager pointer block (NewPtr / NewPtrClear), released with DisposePtr.
template <class T>
class AMacPtr {
public:
    AMacPtr() = default;
    virtual ~AMacPtr()
    {
        if (mOwnership != 0 && mPtr != nullptr) {
            DisposePtr(reinterpret_cast<Ptr>(mPtr));
        }
    }
    AMacPtr(const AMacPtr&) = delete;
    AMacPtr& operator=(const AMacPtr&) = delete;

    // Allocates room for count elements (bytes for the 8-bit types) and copies them from source
    // when it is given. A count of 0 allocates nothing. Throws the Memory Manager's error as a
    // 16-bit integer when no block can be had.
    void AllocateAndCopy(const T* source, SInt32 count, EMemObjClearOption clear)
    {
        if (count == 0) {
            return;
        }
        Size bytes = static_cast<Size>(count) * static_cast<Size>(sizeof(T));
        Ptr block = (clear == kMemObjClear && source == nullptr) ? NewPtrClear(bytes) : NewPtr(bytes);
        if (block == nullptr) {
            OSErr error = MemError();
            // A failed allocation must never be mistaken for success by whoever catches it.
            throw static_cast<OSErr>(error != noErr ? error : static_cast<OSErr>(memFullErr));
        }
        mPtr = reinterpret_cast<T*>(block);
        mOwnership = 1;
        if (source != nullptr && count >= 1) {
            std::memmove(mPtr, source, static_cast<size_t>(bytes));
        }
    }

    T* Get() const { return mPtr; }
    UInt32 GetOwnership() const { return mOwnership; }

    // Gives up ownership: the receiver disposes of the block with DisposePtr.
    T* HandOut()
    {
        mOwnership = 0;
        return mPtr;
    }

private:
    T* mPtr = nullptr;
    UInt32 mOwnership = 0;
};

// An array made with new[], released with delete[].
template <class T>
class AStdArrayNew {
public:
    AStdArrayNew() = default;
    // An array of count elements, value-initialized (zero for plain types) when clear is
    // kMemObjClear. Allocation failure is the standard allocator's own exception.
    AStdArrayNew(UInt32 count, EMemObjClearOption clear)
    {
        mPtr = (clear == kMemObjClear) ? new T[count]() : new T[count];
        mOwnership = 1;
    }
    virtual ~AStdArrayNew()
    {
        if (mOwnership != 0 && mPtr != nullptr) {
            delete[] mPtr;
        }
    }
    AStdArrayNew(const AStdArrayNew&) = delete;
    AStdArrayNew& operator=(const AStdArrayNew&) = delete;

    T* Get() const { return mPtr; }
    UInt32 GetOwnership() const { return mOwnership; }

    // Gives up ownership: the receiver releases the array with delete[].
    T* HandOut()
    {
        mOwnership = 0;
        return mPtr;
    }

private:
    T* mPtr = nullptr;
    UInt32 mOwnership = 0;
};

// One object made with new by the caller, released with delete (through its virtual destructor).
template <class T>
class AStdNew {
public:
    AStdNew() = default;
    explicit AStdNew(T* object) { Adopt(object); }
    virtual ~AStdNew()
    {
        if (mOwnership != 0 && mPtr != nullptr) {
            delete mPtr;
        }
    }
    AStdNew(const AStdNew&) = delete;
    AStdNew& operator=(const AStdNew&) = delete;

    // Takes ownership of object. The object owned so far is deleted first, unless it is the same
    // one (adopting twice must not destroy what is being adopted).
    void Adopt(T* object)
    {
        if (mOwnership != 0 && mPtr != nullptr && mPtr != object) {
            delete mPtr;
        }
        mPtr = object;
        mOwnership = 1;
    }

    T* Get() const { return mPtr; }
    T* operator->() const { return mPtr; }
    UInt32 GetOwnership() const { return mOwnership; }

    // Gives up ownership: the receiver deletes the object.
    T* HandOut()
    {
        mOwnership = 0;
        return mPtr;
    }

private:
    T* mPtr = nullptr;
    UInt32 mOwnership = 0;
};
