// Scoped owners of one reference to a reference-counted platform object. They adopt a reference
// that the caller created or copied (+1) and release it when they go away.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

// Owns a reference to an object of any type.
class CFObjDel {
public:
    explicit CFObjDel(CFTypeRef adopted = nullptr) : mRef(adopted) {}
    virtual ~CFObjDel()
    {
        if (mRef != nullptr) {
            CFRelease(mRef);
        }
    }
    CFObjDel(const CFObjDel&) = delete;
    CFObjDel& operator=(const CFObjDel&) = delete;

    // Releases the reference held so far (unless it is the same object) and takes over adopted.
    void Adopt(CFTypeRef adopted)
    {
        if (mRef != nullptr && mRef != adopted) {
            CFRelease(mRef);
        }
        mRef = adopted;
    }

    CFTypeRef Get() const { return mRef; }

    // Gives the reference to the caller, who then releases it.
    CFTypeRef HandOut()
    {
        CFTypeRef ref = mRef;
        mRef = nullptr;
        return ref;
    }

private:
    CFTypeRef mRef;
};

// Owns a reference of a known reference type (CFStringRef, CFArrayRef, ...).
template <class T>
class CFObj {
public:
    explicit CFObj(T adopted = nullptr) : mRef(adopted) {}
    virtual ~CFObj()
    {
        if (mRef != nullptr) {
            CFRelease(mRef);
        }
    }
    CFObj(const CFObj&) = delete;
    CFObj& operator=(const CFObj&) = delete;

    // Releases the reference held so far (unless it is the same object) and takes over adopted.
    void Adopt(T adopted)
    {
        if (mRef != nullptr && mRef != adopted) {
            CFRelease(mRef);
        }
        mRef = adopted;
    }

    T Get() const { return mRef; }
    operator T() const { return mRef; }

    // Gives the reference to the caller, who then releases it.
    T HandOut()
    {
        T ref = mRef;
        mRef = nullptr;
        return ref;
    }

private:
    T mRef;
};
