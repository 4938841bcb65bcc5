// Identifiers: sixteen bytes, their text form, random creation, and the table of constants that
// gives one immortal object per value.
#include "cf/Runtime.h"

#include "cf/StringObject.h"
#include "text/HexDigits.h"

#include <CoreFoundation/CFUUID.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <string>

struct OpaqueCFUUID : platform::RuntimeBase {
    explicit OpaqueCFUUID(const std::array<UInt8, 16>& bytes_) : bytes(bytes_) {}
    std::array<UInt8, 16> bytes;
};

namespace platform {
namespace {

using UUIDValue = std::array<UInt8, 16>;

const OpaqueCFUUID* AsUUID(CFUUIDRef uuid, const char* caller)
{
    if (!IsType(uuid, kUUIDTypeID)) {
        std::string message = std::string(caller) + ": not a UUID";
        FatalError(message.c_str());
    }
    return static_cast<const OpaqueCFUUID*>(uuid);
}

bool UUIDEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    return static_cast<const OpaqueCFUUID*>(a)->bytes == static_cast<const OpaqueCFUUID*>(b)->bytes;
}

CFHashCode UUIDHash(const RuntimeBase* object)
{
    // The bytes are mostly random already; folding them is enough.
    const UUIDValue& bytes = static_cast<const OpaqueCFUUID*>(object)->bytes;
    uint64_t high = 0;
    uint64_t low = 0;
    std::memcpy(&high, bytes.data(), 8);
    std::memcpy(&low, bytes.data() + 8, 8);
    return static_cast<CFHashCode>(high ^ (low * 0x9E3779B97F4A7C15ULL));
}

std::string UUIDText(const UUIDValue& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

std::string DescribeUUID(const RuntimeBase* object)
{
    return UUIDText(static_cast<const OpaqueCFUUID*>(object)->bytes);
}

const RuntimeClass kUUIDClass{kUUIDTypeID, "CFUUID", &FinalizeAs<OpaqueCFUUID>, &UUIDEqual, &UUIDHash, &DescribeUUID};

// Reads exactly "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"; anything else is refused.
bool ParseUUIDText(const std::u16string& text, UUIDValue& bytes)
{
    if (text.size() != 36) {
        return false;
    }
    size_t byteIndex = 0;
    for (size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != u'-') {
                return false;
            }
            ++i;
            continue;
        }
        const int high = HexDigitValue(text[i]);
        const int low = HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes[byteIndex++] = static_cast<UInt8>(high << 4 | low);
        i += 2;
    }
    return byteIndex == bytes.size();
}

CFUUIDRef NewUUID(CFAllocatorRef allocator, const UUIDValue& bytes)
{
    return CreateInstance<OpaqueCFUUID>(allocator, kUUIDClass, bytes);
}

UUIDValue ValueOf(const CFUUIDBytes& bytes)
{
    UUIDValue value{};
    static_assert(sizeof(CFUUIDBytes) == 16);
    std::memcpy(value.data(), &bytes, value.size());
    return value;
}

}  // namespace
}  // namespace platform

using namespace platform;

extern "C" {

CFTypeID CFUUIDGetTypeID(void)
{
    RegisterRuntimeClass(kUUIDClass);
    return kUUIDTypeID;
}

CFUUIDRef CFUUIDCreate(CFAllocatorRef alloc)
{
    UUIDValue bytes{};
    // Straight from the system's random source: identifiers must not repeat across processes.
    thread_local std::random_device device;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        const auto word = static_cast<uint32_t>(device());
        std::memcpy(bytes.data() + i, &word, 4);
    }
    // Version 4 (random), variant 1 (RFC 4122).
    bytes[6] = static_cast<UInt8>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<UInt8>((bytes[8] & 0x3F) | 0x80);
    return NewUUID(alloc, bytes);
}

CFUUIDRef CFUUIDCreateFromUUIDBytes(CFAllocatorRef alloc, CFUUIDBytes bytes)
{
    return NewUUID(alloc, ValueOf(bytes));
}

CFUUIDRef CFUUIDCreateFromString(CFAllocatorRef alloc, CFStringRef uuidStr)
{
    if (!IsType(uuidStr, kStringTypeID)) {
        return nullptr;
    }
    UUIDValue bytes{};
    if (!ParseUUIDText(StringUnits(uuidStr), bytes)) {
        return nullptr;
    }
    return NewUUID(alloc, bytes);
}

CFStringRef CFUUIDCreateString(CFAllocatorRef alloc, CFUUIDRef uuid)
{
    return CreateStringFromUTF8(alloc, UUIDText(AsUUID(uuid, "CFUUIDCreateString")->bytes));
}

CFUUIDRef CFUUIDGetConstantUUIDWithBytes(CFAllocatorRef alloc, UInt8 byte0, UInt8 byte1, UInt8 byte2, UInt8 byte3,
                                         UInt8 byte4, UInt8 byte5, UInt8 byte6, UInt8 byte7, UInt8 byte8,
                                         UInt8 byte9, UInt8 byte10, UInt8 byte11, UInt8 byte12, UInt8 byte13,
                                         UInt8 byte14, UInt8 byte15)
{
    const UUIDValue bytes{byte0, byte1, byte2, byte3, byte4,  byte5,  byte6,  byte7,
                          byte8, byte9, byte10, byte11, byte12, byte13, byte14, byte15};
    // Constants live for the whole process, shared by every thread; the table is never emptied.
    static std::mutex mutex;
    static auto* table = new std::map<UUIDValue, CFUUIDRef>();
    std::lock_guard<std::mutex> lock(mutex);
    auto found = table->find(bytes);
    if (found != table->end()) {
        return found->second;
    }
    CFUUIDRef constant = CreateImmortal<OpaqueCFUUID>(kUUIDClass, bytes);
    table->emplace(bytes, constant);
    return constant;
}

CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid)
{
    const OpaqueCFUUID* object = AsUUID(uuid, "CFUUIDGetUUIDBytes");
    CFUUIDBytes bytes{};
    std::memcpy(&bytes, object->bytes.data(), sizeof bytes);
    return bytes;
}

}  // extern "C"
