// Small helpers for the property-list and preferences tests: a scoped owner, and ways to make
// values and read them back as plain C++ values.
#pragma once

#include "support/CFText.h"

#include <CoreFoundation/CoreFoundation.h>

#include <string>
#include <utility>

namespace plisttest {

// Owns one reference (adopted from a Create or Copy call).
class Ref {
public:
    Ref() = default;
    explicit Ref(CFTypeRef value) : mValue(value) {}
    ~Ref()
    {
        if (mValue != nullptr) {
            CFRelease(mValue);
        }
    }
    Ref(Ref&& other) noexcept : mValue(std::exchange(other.mValue, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept
    {
        std::swap(mValue, other.mValue);
        return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;

    CFTypeRef get() const { return mValue; }
    template <class T>
    T as() const
    {
        return static_cast<T>(mValue);
    }
    explicit operator bool() const { return mValue != nullptr; }

private:
    CFTypeRef mValue = nullptr;
};

inline Ref String(const std::string& utf8)
{
    return Ref(CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(utf8.data()),
                                       static_cast<CFIndex>(utf8.size()), kCFStringEncodingUTF8, false));
}

inline Ref StringFromUnits(const std::u16string& units)
{
    return Ref(CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(units.data()),
                                            static_cast<CFIndex>(units.size())));
}

inline Ref Integer(long long value)
{
    SInt64 v = value;
    return Ref(CFNumberCreate(nullptr, kCFNumberSInt64Type, &v));
}

inline Ref Real(double value)
{
    return Ref(CFNumberCreate(nullptr, kCFNumberFloat64Type, &value));
}

inline Ref Data(const std::string& bytes)
{
    return Ref(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), static_cast<CFIndex>(bytes.size())));
}

// The text of a string as UTF-8, through the platform's conversion (checked on its own with the
// text encodings).
inline std::string Utf8(CFTypeRef string)
{
    if (string == nullptr || CFGetTypeID(string) != CFStringGetTypeID()) {
        return "<not a string>";
    }
    return testsupport::TextOf(static_cast<CFStringRef>(string));
}

inline std::string Bytes(CFTypeRef data)
{
    auto d = static_cast<CFDataRef>(data);
    return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(d)), static_cast<size_t>(CFDataGetLength(d)));
}

// Parses XML text (mutability as given); the reason lands in error when it fails.
inline Ref Parse(const std::string& xml, CFOptionFlags mutability = kCFPropertyListImmutable,
                 std::string* error = nullptr)
{
    Ref data = Data(xml);
    CFStringRef errorString = nullptr;
    Ref value(CFPropertyListCreateFromXMLData(nullptr, data.as<CFDataRef>(), mutability, &errorString));
    Ref errorOwner(errorString);
    if (error != nullptr) {
        *error = errorString ? Utf8(errorString) : "";
    }
    return value;
}

// The XML text of a value, "" when it cannot be written.
inline std::string Write(CFTypeRef value)
{
    Ref data(CFPropertyListCreateXMLData(nullptr, value));
    return data ? Bytes(data.get()) : std::string();
}

// The value of a key in a dictionary (borrowed).
inline CFTypeRef Get(CFTypeRef dictionary, const char* key)
{
    Ref name = String(key);
    return CFDictionaryGetValue(static_cast<CFDictionaryRef>(dictionary), name.get());
}

}  // namespace plisttest
