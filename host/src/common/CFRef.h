// The one scoped owner of Core Foundation references in the host. Taking a value is always an
// explicit choice: Adopt takes over a reference the caller already owns (a Create or Copy result,
// or a name string handed over in a menu record); Retain adds a reference of its own to a borrowed
// one (a Get result).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

namespace cmhost {

template <typename T>
class CFRef {
public:
    CFRef() = default;
    ~CFRef() { Reset(); }

    static CFRef Adopt(T ref) { return CFRef(ref); }
    static CFRef Retain(T ref)
    {
        if (ref)
            CFRetain(ref);
        return CFRef(ref);
    }

    CFRef(CFRef&& other) noexcept : mRef(other.LeakRef()) {}
    CFRef& operator=(CFRef&& other) noexcept
    {
        if (this != &other) {
            Reset();
            mRef = other.LeakRef();
        }
        return *this;
    }
    CFRef(const CFRef&) = delete;
    CFRef& operator=(const CFRef&) = delete;

    T Get() const { return mRef; }
    explicit operator bool() const { return mRef != nullptr; }

    // Gives up ownership without releasing: the caller now owns the reference.
    T LeakRef() { return std::exchange(mRef, nullptr); }

    void Reset()
    {
        if (mRef)
            CFRelease(std::exchange(mRef, nullptr));
    }

private:
    explicit CFRef(T ref) : mRef(ref) {}
    T mRef = nullptr;
};

}  // namespace cmhost
