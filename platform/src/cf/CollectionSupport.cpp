#include "cf/CollectionSupport.h"

#include "cf/StringObject.h"

#include <cstdio>

namespace platform {

const void* RetainTypeValue(CFAllocatorRef, const void* value)
{
    return CFRetain(value);
}

void ReleaseTypeValue(CFAllocatorRef, const void* value)
{
    CFRelease(value);
}

std::string DescribeCollectionValue(CFStringRef (*copyDescription)(const void* value), const void* value)
{
    if (copyDescription != nullptr) {
        CFStringRef description = copyDescription(value);
        if (description != nullptr) {
            std::string text = StringToUTF8(description);
            CFRelease(description);
            return text;
        }
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "<%p>", value);
    return buffer;
}

}  // namespace platform
