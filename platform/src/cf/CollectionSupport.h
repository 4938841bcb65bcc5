// What arrays and dictionaries share: the callbacks of their CF-type constants and the text of one
// value in a description.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <string>

namespace platform {

// Retains and releases a CF object (the retain and release of kCFType... callbacks).
const void* RetainTypeValue(CFAllocatorRef allocator, const void* value);
void ReleaseTypeValue(CFAllocatorRef allocator, const void* value);

// The text of a value for a collection's description: its copyDescription callback's answer, or
// its address when there is no callback or it answers NULL.
std::string DescribeCollectionValue(CFStringRef (*copyDescription)(const void* value), const void* value);

}  // namespace platform
