// Dates: a point in absolute time, seconds since 1 January 2001 00:00:00 UTC.
#include "cf/Runtime.h"

#include <CoreFoundation/CFDate.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

struct OpaqueCFDate : platform::RuntimeBase {
    explicit OpaqueCFDate(CFAbsoluteTime at_) : at(at_) {}
    CFAbsoluteTime at;
};

namespace platform {
namespace {

const OpaqueCFDate* AsDate(CFDateRef date, const char* caller)
{
    if (!IsType(date, kDateTypeID)) {
        std::string message = std::string(caller) + ": not a date";
        FatalError(message.c_str());
    }
    return static_cast<const OpaqueCFDate*>(date);
}

bool DateEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    return static_cast<const OpaqueCFDate*>(a)->at == static_cast<const OpaqueCFDate*>(b)->at;
}

CFHashCode DateHash(const RuntimeBase* object)
{
    return static_cast<CFHashCode>(std::hash<double>{}(static_cast<const OpaqueCFDate*>(object)->at));
}

// ISO 8601 in UTC, with milliseconds only when the time has a fraction of a second.
std::string DescribeDate(const RuntimeBase* object)
{
    const double at = static_cast<const OpaqueCFDate*>(object)->at;
    if (!std::isfinite(at)) {
        return "invalid date";
    }
    const double unixSeconds = std::floor(at + kCFAbsoluteTimeIntervalSince1970);
    const auto milliseconds = static_cast<int>(std::lround((at + kCFAbsoluteTimeIntervalSince1970 - unixSeconds) * 1000));
    const auto seconds = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    if (gmtime_r(&seconds, &parts) == nullptr) {
        return "invalid date";
    }
    char buffer[64];
    if (milliseconds > 0 && milliseconds < 1000) {
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                      parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, milliseconds);
    } else {
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                      parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    }
    return buffer;
}

const RuntimeClass kDateClass{kDateTypeID, "CFDate", &FinalizeAs<OpaqueCFDate>, &DateEqual, &DateHash, &DescribeDate};

}  // namespace
}  // namespace platform

using namespace platform;

extern "C" {

const CFTimeInterval kCFAbsoluteTimeIntervalSince1970 = 978307200.0;

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void)
{
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count() - kCFAbsoluteTimeIntervalSince1970;
}

CFTypeID CFDateGetTypeID(void)
{
    RegisterRuntimeClass(kDateClass);
    return kDateTypeID;
}

CFDateRef CFDateCreate(CFAllocatorRef allocator, CFAbsoluteTime at)
{
    return CreateInstance<OpaqueCFDate>(allocator, kDateClass, at);
}

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef theDate)
{
    return AsDate(theDate, "CFDateGetAbsoluteTime")->at;
}

}  // extern "C"
