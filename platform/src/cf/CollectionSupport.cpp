#include "cf/CollectionSupport.h"

#include "base/CFOwner.h"
#include "cf/StringObject.h"

#include <cstdio>

namespace platform {

std::string DescribeCollectionValue(CFStringRef (*copyDescription)(const void* value), const void* value)
{
    if (copyDescription != nullptr) {
        CFOwner<CFStringRef> description = AdoptCF(copyDescription(value));
        if (description) {
            return StringToUTF8(description.Get());
        }
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "<%p>", value);
    return buffer;
}

}  // namespace platform
