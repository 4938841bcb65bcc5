// The string type: storage, equality, hashing, constants, and the accessors of the units.
#include "cf/StringObject.h"

#include "WipedMemory.h"
#include "text/Unicode.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {
namespace {

bool StringEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    return static_cast<const OpaqueCFString*>(a)->units == static_cast<const OpaqueCFString*>(b)->units;
}

CFHashCode StringHash(const RuntimeBase* object)
{
    return std::hash<std::u16string>{}(static_cast<const OpaqueCFString*>(object)->units);
}

std::string DescribeString(const RuntimeBase* object)
{
    return EncodeUTF8(static_cast<const OpaqueCFString*>(object)->units);
}

// A string's text is wiped as it goes: a plain-text secure note is a string on its way into and out
// of the keychain.
void FinalizeString(RuntimeBase* object)
{
    auto* string = static_cast<OpaqueCFString*>(object);
    WipeString(string->units);
    string->~OpaqueCFString();
}

const OpaqueCFString* AsString(CFStringRef string, const char* caller)
{
    if (!IsType(string, kStringTypeID)) {
        FatalError(caller);
    }
    return static_cast<const OpaqueCFString*>(string);
}

}  // namespace

const RuntimeClass kStringClass{kStringTypeID, "CFString", &FinalizeString, &StringEqual, &StringHash,
                               &DescribeString};

CFStringRef CreateStringFromUTF16(CFAllocatorRef allocator, std::u16string units)
{
    return CreateInstance<OpaqueCFString>(allocator, kStringClass, std::move(units));
}

CFStringRef CreateStringFromUTF8(CFAllocatorRef allocator, std::string_view utf8)
{
    std::u16string units;
    DecodeUTF8(utf8, units, false);
    return CreateStringFromUTF16(allocator, std::move(units));
}

CFMutableStringRef CreateMutableStringFromUTF16(CFAllocatorRef allocator, std::u16string units, CFIndex maxLength)
{
    return CreateInstance<OpaqueCFString>(allocator, kStringClass, std::move(units), true, maxLength);
}

const std::u16string& StringUnits(CFStringRef string)
{
    return AsString(string, "not a string")->units;
}

std::u16string& MutableStringUnits(CFMutableStringRef string)
{
    const OpaqueCFString* object = AsString(string, "not a string");
    if (!object->isMutable) {
        FatalError("attempt to mutate an immutable string");
    }
    return const_cast<OpaqueCFString*>(object)->units;
}

std::string StringToUTF8(CFStringRef string)
{
    return string == nullptr ? std::string() : EncodeUTF8(StringUnits(string));
}

}  // namespace platform

using namespace platform;

extern "C" {

CFTypeID CFStringGetTypeID(void)
{
    RegisterRuntimeClass(kStringClass);
    return kStringTypeID;
}

CFStringRef CFStringMakeConstantString(const char* cStr)
{
    // One immortal object per distinct text; the table is never emptied.
    static std::mutex mutex;
    static auto* table = new std::unordered_map<std::string, CFStringRef>();
    std::lock_guard<std::mutex> lock(mutex);
    auto found = table->find(cStr);
    if (found != table->end()) {
        return found->second;
    }
    std::u16string units;
    DecodeUTF8(cStr, units, false);
    CFStringRef constant = CreateImmortal<OpaqueCFString>(kStringClass, std::move(units));
    table->emplace(cStr, constant);
    return constant;
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars, CFIndex numChars)
{
    if (numChars < 0 || (chars == nullptr && numChars > 0)) {
        return nullptr;
    }
    return CreateStringFromUTF16(alloc, std::u16string(reinterpret_cast<const char16_t*>(chars),
                                                       static_cast<size_t>(numChars)));
}

CFIndex CFStringGetLength(CFStringRef theString)
{
    return static_cast<CFIndex>(StringUnits(theString).size());
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx)
{
    const std::u16string& units = StringUnits(theString);
    if (idx < 0 || static_cast<size_t>(idx) >= units.size()) {
        FatalError("CFStringGetCharacterAtIndex: index out of range");
    }
    return units[static_cast<size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer)
{
    const std::u16string& units = StringUnits(theString);
    if (range.location < 0 || range.length < 0 ||
        static_cast<size_t>(range.location + range.length) > units.size()) {
        FatalError("CFStringGetCharacters: range out of bounds");
    }
    units.copy(reinterpret_cast<char16_t*>(buffer), static_cast<size_t>(range.length),
               static_cast<size_t>(range.location));
}

const UniChar* CFStringGetCharactersPtr(CFStringRef theString)
{
    // Immutable strings hand out their storage; a mutable one may move it, so it does not.
    const OpaqueCFString* object = static_cast<const OpaqueCFString*>(theString);
    if (!IsType(theString, kStringTypeID) || object->isMutable) {
        return nullptr;
    }
    return reinterpret_cast<const UniChar*>(object->units.c_str());
}

}  // extern "C"
