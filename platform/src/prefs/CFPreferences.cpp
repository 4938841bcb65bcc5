// The preference functions of the platform interface.
#include <CoreFoundation/CFPreferences.h>

#include "base/CFOwner.h"
#include "cf/StringObject.h"
#include "prefs/PreferencesStore.h"

#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFString.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

using namespace platform;
using platform::CFOwner;

namespace {

// A whole decimal number, with an optional sign and nothing else around it.
std::optional<long long> ParseInteger(const std::string& text)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.back()))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    return value;
}

std::optional<CFIndex> NumberAsIndex(CFNumberRef number)
{
    if (CFNumberIsFloatType(number)) {
        Float64 real = 0;
        CFNumberGetValue(number, kCFNumberFloat64Type, &real);
        // Only a real with no fraction that fits is an integer.
        if (!std::isfinite(real) || std::trunc(real) != real || real < -9223372036854775808.0 ||
            real >= 9223372036854775808.0) {
            return std::nullopt;
        }
        return static_cast<CFIndex>(real);
    }
    SInt64 integer = 0;
    CFNumberGetValue(number, kCFNumberSInt64Type, &integer);
    return static_cast<CFIndex>(integer);
}

}  // namespace

extern "C" {

const CFStringRef kCFPreferencesCurrentApplication = CFSTR("kCFPreferencesCurrentApplication");
const CFStringRef kCFPreferencesCurrentUser = CFSTR("kCFPreferencesCurrentUser");
const CFStringRef kCFPreferencesAnyHost = CFSTR("kCFPreferencesAnyHost");

CFPropertyListRef CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID)
{
    return prefs::CopyPreferenceValue(key, applicationID);
}

CFIndex CFPreferencesGetAppIntegerValue(CFStringRef key, CFStringRef applicationID, Boolean* keyExistsAndHasValidFormat)
{
    auto value = CFOwner<CFTypeRef>::Adopt(prefs::CopyPreferenceValue(key, applicationID));
    std::optional<CFIndex> result;
    if (value && CFGetTypeID(value.Get()) == CFNumberGetTypeID()) {
        result = NumberAsIndex(static_cast<CFNumberRef>(value.Get()));
    } else if (value && CFGetTypeID(value.Get()) == CFStringGetTypeID()) {
        auto parsed = ParseInteger(StringToUTF8(static_cast<CFStringRef>(value.Get())));
        if (parsed) {
            result = static_cast<CFIndex>(*parsed);
        }
    }
    if (keyExistsAndHasValidFormat != nullptr) {
        *keyExistsAndHasValidFormat = result.has_value();
    }
    return result.value_or(0);
}

void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID)
{
    prefs::SetPreferenceValue(key, value, applicationID);
}

Boolean CFPreferencesAppSynchronize(CFStringRef applicationID)
{
    return prefs::SynchronizePreferences(applicationID);
}

}  // extern "C"
