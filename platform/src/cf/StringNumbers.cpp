// Reading numbers from the text of a string.
#include "cf/StringObject.h"

#include <cstdint>
#include <limits>

using namespace platform;

extern "C" {

SInt32 CFStringGetIntValue(CFStringRef str)
{
    const std::u16string& units = StringUnits(str);
    size_t i = 0;
    while (i < units.size() && (units[i] == ' ' || units[i] == '\t' || units[i] == '\n' || units[i] == '\r')) {
        ++i;
    }
    bool negative = false;
    if (i < units.size() && (units[i] == '+' || units[i] == '-')) {
        negative = units[i] == '-';
        ++i;
    }
    // Accumulate in a wider type and stop growing once past the SInt32 range, so that a long run
    // of digits clamps instead of overflowing.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<SInt32>::max()} + 1;
    std::int64_t value = 0;
    for (; i < units.size() && units[i] >= '0' && units[i] <= '9'; ++i) {
        value = value * 10 + (units[i] - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<SInt32>::max()) {
        return std::numeric_limits<SInt32>::max();
    }
    return static_cast<SInt32>(value);
}

}  // extern "C"
