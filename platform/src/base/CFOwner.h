// The one scoped owner of a Core Foundation reference for the platform, the host and the tests: any
// object that CFRetain and CFRelease work on (strings, arrays, bundles, keychain objects, ...).
// Taking a value is always an explicit choice: Adopt takes over a +1 reference the caller got from a
// Create or Copy function (or that a menu record hands over); Retain adds a reference of its own to
// a borrowed one (a Get result). A copy holds a reference of its own; LeakRef gives the reference to
// the caller without releasing it.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <utility>

namespace platform {

template <class T>
class CFOwner {
public:
    CFOwner() = default;
    static CFOwner Adopt(T value) { return CFOwner(value); }
    static CFOwner Retain(T value)
    {
        if (value != nullptr) {
            CFRetain(value);
        }
        return CFOwner(value);
    }
    ~CFOwner() { Reset(); }
    CFOwner(CFOwner&& other) noexcept : mValue(std::exchange(other.mValue, nullptr)) {}
    CFOwner& operator=(CFOwner&& other) noexcept
    {
        if (this != &other) {
            Reset();
            mValue = std::exchange(other.mValue, nullptr);
        }
        return *this;
    }
    CFOwner(const CFOwner& other) : mValue(other.mValue)
    {
        if (mValue != nullptr) {
            CFRetain(mValue);
        }
    }
    CFOwner& operator=(const CFOwner& other)
    {
        if (this != &other) {
            CFOwner copy(other);
            *this = std::move(copy);
        }
        return *this;
    }

    T Get() const { return mValue; }
    explicit operator bool() const { return mValue != nullptr; }
    // Gives the reference to the caller, who now owns it.
    T LeakRef() { return std::exchange(mValue, nullptr); }
    void Reset()
    {
        if (mValue != nullptr) {
            CFRelease(std::exchange(mValue, nullptr));
        }
    }

private:
    explicit CFOwner(T value) : mValue(value) {}
    T mValue = nullptr;
};

template <class T>
CFOwner<T> AdoptCF(T value)
{
    return CFOwner<T>::Adopt(value);
}

template <class T>
CFOwner<T> RetainCF(T value)
{
    return CFOwner<T>::Retain(value);
}

}  // namespace platform
