// NSLog: one line on standard error with the time, the process's name and id, and the message.
#include <Cocoa/Cocoa.h>

#include "base/CFOwner.h"
#include "cf/StringObject.h"

#include <errno.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

namespace {

std::string TimeStamp()
{
    struct timeval now {};
    gettimeofday(&now, nullptr);
    struct tm local {};
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    char text[64];
    size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03ld", static_cast<long>(now.tv_usec / 1000));
    return text;
}

}  // namespace

void NSLogv(NSString* format, va_list arguments)
{
    std::string message = "(null)";
    if (format != nullptr) {
        platform::CFOwner<CFStringRef> formatted =
            platform::AdoptCF(CFStringCreateWithFormatAndArguments(kCFAllocatorDefault, nullptr, format, arguments));
        if (formatted) {
            message = platform::StringToUTF8(formatted.Get());
        }
    }
    std::string line = TimeStamp() + " " + program_invocation_short_name + "[" +
                       std::to_string(static_cast<long>(getpid())) + "] " + message;
    if (line.empty() || line.back() != '\n') {
        line.push_back('\n');
    }
    // One write for the whole line, so that lines of several threads or processes never mix.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void NSLog(NSString* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    NSLogv(format, arguments);
    va_end(arguments);
}
