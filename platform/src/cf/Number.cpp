// Numbers: an integer kept as a signed 64-bit value or a real kept as a double, converted into
// whatever type the caller asks for, with a report of whether the conversion was exact.
#include "cf/Runtime.h"

#include <CoreFoundation/CFNumber.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

struct OpaqueCFNumber : platform::RuntimeBase {
    explicit OpaqueCFNumber(int64_t value) : isReal(false), integer(value) {}
    explicit OpaqueCFNumber(double value) : isReal(true), real(value) {}
    bool isReal;
    int64_t integer = 0;
    double real = 0.0;
};

namespace platform {
namespace {

// 2^63 exactly: the first double too large for a signed 64-bit integer.
constexpr double kTwoTo63 = 9223372036854775808.0;

bool RealFitsInt64(double value)
{
    return value >= -kTwoTo63 && value < kTwoTo63;
}

// The integer equal to a real, when there is one.
bool RealAsExactInteger(double value, int64_t& integer)
{
    if (!RealFitsInt64(value) || std::trunc(value) != value) {
        return false;
    }
    integer = static_cast<int64_t>(value);
    return true;
}

const OpaqueCFNumber* AsNumber(CFNumberRef number, const char* caller)
{
    if (!IsType(number, kNumberTypeID)) {
        std::string message = std::string(caller) + ": not a number";
        FatalError(message.c_str());
    }
    return static_cast<const OpaqueCFNumber*>(number);
}

// -1, 0 or 1. NaN sorts before every other value and equals itself, so that numbers have one
// total order and equality stays reflexive for dictionary keys.
int CompareReals(double a, double b)
{
    const bool aNaN = std::isnan(a);
    const bool bNaN = std::isnan(b);
    if (aNaN || bNaN) {
        return aNaN == bNaN ? 0 : (aNaN ? -1 : 1);
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Compares without losing precision: an integer above 2^53 is not rounded to a double first.
int CompareIntegerWithReal(int64_t integer, double real)
{
    if (std::isnan(real)) {
        return 1;
    }
    if (real >= kTwoTo63) {
        return -1;
    }
    if (real < -kTwoTo63) {
        return 1;
    }
    const double whole = std::trunc(real);
    const auto wholeInteger = static_cast<int64_t>(whole);
    if (integer != wholeInteger) {
        return integer < wholeInteger ? -1 : 1;
    }
    const double fraction = real - whole;
    return fraction > 0 ? -1 : (fraction < 0 ? 1 : 0);
}

int CompareNumbers(const OpaqueCFNumber* a, const OpaqueCFNumber* b)
{
    if (!a->isReal && !b->isReal) {
        return a->integer < b->integer ? -1 : (a->integer > b->integer ? 1 : 0);
    }
    if (a->isReal && b->isReal) {
        return CompareReals(a->real, b->real);
    }
    return a->isReal ? -CompareIntegerWithReal(b->integer, a->real) : CompareIntegerWithReal(a->integer, b->real);
}

bool NumberEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    return CompareNumbers(static_cast<const OpaqueCFNumber*>(a), static_cast<const OpaqueCFNumber*>(b)) == 0;
}

// A real with an integral value hashes as that integer, so 1 and 1.0 hash alike.
CFHashCode NumberHash(const RuntimeBase* object)
{
    const auto* number = static_cast<const OpaqueCFNumber*>(object);
    int64_t integer = number->integer;
    if (number->isReal && !RealAsExactInteger(number->real, integer)) {
        if (std::isnan(number->real)) {
            return 0x7ff8;
        }
        return static_cast<CFHashCode>(std::hash<double>{}(number->real));
    }
    return static_cast<CFHashCode>(integer);
}

std::string DescribeNumber(const RuntimeBase* object)
{
    const auto* number = static_cast<const OpaqueCFNumber*>(object);
    char buffer[64];
    auto result = number->isReal ? std::to_chars(buffer, buffer + sizeof buffer, number->real)
                                 : std::to_chars(buffer, buffer + sizeof buffer, number->integer);
    return std::string(buffer, result.ptr);
}

const RuntimeClass kNumberClass{kNumberTypeID, "CFNumber", &FinalizeAs<OpaqueCFNumber>, &NumberEqual, &NumberHash,
                                &DescribeNumber};

// The storage size of each number type; 0 for an unknown type.
size_t ByteSizeOf(CFNumberType type)
{
    switch (type) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        return 1;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return 2;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
        return 4;
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
    case kCFNumberNSIntegerType:
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
    case kCFNumberCGFloatType:
        return 8;
    }
    return 0;
}

bool IsRealType(CFNumberType type)
{
    switch (type) {
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
    case kCFNumberCGFloatType:
        return true;
    default:
        return false;
    }
}

template <class T>
bool StoreInteger(int64_t value, void* out)
{
    const T converted = static_cast<T>(value);
    std::memcpy(out, &converted, sizeof converted);
    return static_cast<int64_t>(converted) == value;
}

// A real into an integer type: truncated toward zero and clamped to the type's range (NaN gives
// 0); exact only when the real was already that integer.
template <class T>
bool StoreRealAsInteger(double value, void* out)
{
    T converted = 0;
    bool exact = false;
    if (std::isnan(value)) {
        converted = 0;
    } else if (value <= static_cast<double>(std::numeric_limits<T>::min())) {
        converted = std::numeric_limits<T>::min();
        exact = value == static_cast<double>(converted);
    } else if (value >= static_cast<double>(std::numeric_limits<T>::max())) {
        converted = std::numeric_limits<T>::max();
        // The maximum of a 64-bit integer is not a double; only smaller types can match exactly.
        exact = sizeof(T) < 8 && value == static_cast<double>(converted);
    } else {
        converted = static_cast<T>(std::trunc(value));
        exact = static_cast<double>(converted) == value;
    }
    std::memcpy(out, &converted, sizeof converted);
    return exact;
}

template <class T>
bool StoreIntegerAsReal(int64_t value, void* out)
{
    const T converted = static_cast<T>(value);
    std::memcpy(out, &converted, sizeof converted);
    const auto widened = static_cast<double>(converted);
    return RealFitsInt64(widened) && static_cast<int64_t>(widened) == value;
}

template <class T>
bool StoreReal(double value, void* out)
{
    const T converted = static_cast<T>(value);
    std::memcpy(out, &converted, sizeof converted);
    return static_cast<double>(converted) == value || (std::isnan(value) && std::isnan(converted));
}

}  // namespace
}  // namespace platform

using namespace platform;

extern "C" {

CFTypeID CFNumberGetTypeID(void)
{
    RegisterRuntimeClass(kNumberClass);
    return kNumberTypeID;
}

CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr)
{
    const size_t size = ByteSizeOf(theType);
    if (size == 0 || valuePtr == nullptr) {
        return nullptr;
    }
    if (IsRealType(theType)) {
        double value = 0;
        if (size == 4) {
            float single = 0;
            std::memcpy(&single, valuePtr, sizeof single);
            value = single;
        } else {
            std::memcpy(&value, valuePtr, sizeof value);
        }
        return CreateInstance<OpaqueCFNumber>(allocator, kNumberClass, value);
    }
    int64_t value = 0;
    switch (size) {
    case 1: {
        int8_t v = 0;
        std::memcpy(&v, valuePtr, sizeof v);
        value = v;
        break;
    }
    case 2: {
        int16_t v = 0;
        std::memcpy(&v, valuePtr, sizeof v);
        value = v;
        break;
    }
    case 4: {
        int32_t v = 0;
        std::memcpy(&v, valuePtr, sizeof v);
        value = v;
        break;
    }
    default:
        std::memcpy(&value, valuePtr, sizeof value);
        break;
    }
    return CreateInstance<OpaqueCFNumber>(allocator, kNumberClass, value);
}

Boolean CFNumberIsFloatType(CFNumberRef number)
{
    return AsNumber(number, "CFNumberIsFloatType")->isReal;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr)
{
    const OpaqueCFNumber* object = AsNumber(number, "CFNumberGetValue");
    const size_t size = ByteSizeOf(theType);
    if (size == 0 || valuePtr == nullptr) {
        return false;
    }
    if (IsRealType(theType)) {
        if (size == 4) {
            return object->isReal ? StoreReal<float>(object->real, valuePtr)
                                  : StoreIntegerAsReal<float>(object->integer, valuePtr);
        }
        return object->isReal ? StoreReal<double>(object->real, valuePtr)
                              : StoreIntegerAsReal<double>(object->integer, valuePtr);
    }
    switch (size) {
    case 1:
        return object->isReal ? StoreRealAsInteger<int8_t>(object->real, valuePtr)
                              : StoreInteger<int8_t>(object->integer, valuePtr);
    case 2:
        return object->isReal ? StoreRealAsInteger<int16_t>(object->real, valuePtr)
                              : StoreInteger<int16_t>(object->integer, valuePtr);
    case 4:
        return object->isReal ? StoreRealAsInteger<int32_t>(object->real, valuePtr)
                              : StoreInteger<int32_t>(object->integer, valuePtr);
    default:
        return object->isReal ? StoreRealAsInteger<int64_t>(object->real, valuePtr)
                              : StoreInteger<int64_t>(object->integer, valuePtr);
    }
}

}  // extern "C"
