// A scoped owner for the objects the collection tests create, and a way to make counted strings
// (constants would not show retains and releases).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <cstring>
#include <string>

namespace testing_cf {

template <class Ref>
class OwnedRef {
public:
    explicit OwnedRef(Ref ref = nullptr) : mRef(ref) {}
    ~OwnedRef()
    {
        if (mRef != nullptr) {
            CFRelease(mRef);
        }
    }
    OwnedRef(const OwnedRef&) = delete;
    OwnedRef& operator=(const OwnedRef&) = delete;

    Ref get() const { return mRef; }
    operator Ref() const { return mRef; }

private:
    Ref mRef;
};

// A new string object (+1) with ASCII text.
inline CFStringRef MakeString(const char* text)
{
    std::u16string units(text, text + std::strlen(text));
    return CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(units.data()),
                                        static_cast<CFIndex>(units.size()));
}

// The description of an object as UTF-8.
inline std::string Describe(CFTypeRef object)
{
    CFStringRef description = CFCopyDescription(object);
    std::string text;
    for (CFIndex i = 0; i < CFStringGetLength(description); ++i) {
        text += static_cast<char>(CFStringGetCharacterAtIndex(description, i));
    }
    CFRelease(description);
    return text;
}

}  // namespace testing_cf
