// Small helpers for the property-list and preferences tests: ways to make values, each held in the
// platform's scoped owner, and to read them back as plain C++ values.
#pragma once

#include "CFOwner.h"
#include "support/CFText.h"

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace plisttest {

using platform::AdoptCF;
using platform::CFOwner;

inline CFOwner<CFTypeRef> String(const std::string& utf8)
{
    return AdoptCF<CFTypeRef>(CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(utf8.data()),
                                                      static_cast<CFIndex>(utf8.size()), kCFStringEncodingUTF8, false));
}

inline CFOwner<CFTypeRef> StringFromUnits(const std::u16string& units)
{
    return AdoptCF<CFTypeRef>(CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(units.data()),
                                                           static_cast<CFIndex>(units.size())));
}

inline CFOwner<CFTypeRef> Integer(long long value)
{
    SInt64 v = value;
    return AdoptCF<CFTypeRef>(CFNumberCreate(nullptr, kCFNumberSInt64Type, &v));
}

inline CFOwner<CFTypeRef> Real(double value)
{
    return AdoptCF<CFTypeRef>(CFNumberCreate(nullptr, kCFNumberFloat64Type, &value));
}

inline CFOwner<CFTypeRef> Data(const std::string& bytes)
{
    return AdoptCF<CFTypeRef>(
        CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), static_cast<CFIndex>(bytes.size())));
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
inline CFOwner<CFTypeRef> Parse(const std::string& xml, CFOptionFlags mutability = kCFPropertyListImmutable,
                                std::string* error = nullptr)
{
    auto data = Data(xml);
    CFStringRef errorString = nullptr;
    auto value = AdoptCF<CFTypeRef>(
        CFPropertyListCreateFromXMLData(nullptr, static_cast<CFDataRef>(data.Get()), mutability, &errorString));
    auto errorOwner = AdoptCF(errorString);
    if (error != nullptr) {
        *error = errorString ? Utf8(errorString) : "";
    }
    return value;
}

// The XML text of a value, "" when it cannot be written.
inline std::string Write(CFTypeRef value)
{
    auto data = AdoptCF(CFPropertyListCreateXMLData(nullptr, value));
    return data ? Bytes(data.Get()) : std::string();
}

// The value of a key in a dictionary (borrowed).
inline CFTypeRef Get(CFTypeRef dictionary, const char* key)
{
    auto name = String(key);
    return CFDictionaryGetValue(static_cast<CFDictionaryRef>(dictionary), name.Get());
}

}  // namespace plisttest
