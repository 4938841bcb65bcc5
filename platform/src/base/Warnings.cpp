// The queue of warnings for the host, and the extension that hands them over.
#include "base/Warnings.h"

#include "cf/StringObject.h"

#include <PlatformHost.h>

#include <mutex>
#include <vector>

namespace platform {
namespace {

std::mutex gMutex;

std::vector<std::string>& Queue()
{
    static auto* queue = new std::vector<std::string>();  // never destroyed: used until exit
    return *queue;
}

}  // namespace

void ReportWarning(std::string line)
{
    std::lock_guard<std::mutex> lock(gMutex);
    Queue().push_back(std::move(line));
}

std::vector<std::string> TakeWarnings()
{
    std::vector<std::string> lines;
    std::lock_guard<std::mutex> lock(gMutex);
    lines.swap(Queue());
    return lines;
}

}  // namespace platform

extern "C" CFArrayRef PlatformCopyWarnings(void)
{
    std::vector<std::string> lines = platform::TakeWarnings();
    CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (const std::string& line : lines) {
        CFStringRef text = platform::CreateStringFromUTF8(kCFAllocatorDefault, line);
        if (text != nullptr) {
            CFArrayAppendValue(array, text);
            CFRelease(text);
        }
    }
    return array;
}
