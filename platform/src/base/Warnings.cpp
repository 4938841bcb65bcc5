// The queue of warnings for the host, and the extension that hands them over.
#include "base/Warnings.h"

#include "base/CFOwner.h"

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
    platform::CFOwner<CFMutableArrayRef> array =
        platform::AdoptCF(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    if (!array) {
        return nullptr;
    }
    for (const std::string& line : lines) {
        platform::CFOwner<CFStringRef> text =
            platform::AdoptCF(platform::CreateStringFromUTF8(kCFAllocatorDefault, line));
        if (text) {
            CFArrayAppendValue(array.Get(), text.Get());
        }
    }
    return array.LeakRef();
}
