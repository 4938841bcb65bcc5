// What arrays and dictionaries share: the text of one value in a description. (The retain and
// release of their CF-type callbacks are the runtime's own, in cf/Runtime.h.)
#pragma once

#include <CoreFoundation/CFBase.h>

#include <string>

namespace platform {

// The text of a value for a collection's description: its copyDescription callback's answer, or
// its address when there is no callback or it answers NULL.
std::string DescribeCollectionValue(CFStringRef (*copyDescription)(const void* value), const void* value);

}  // namespace platform
