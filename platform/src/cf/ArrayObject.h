// The array object: its element callbacks, its values and whether it may be changed. Other parts
// of the platform (property lists) read the layout directly.
#pragma once

#include "cf/Runtime.h"

#include <CoreFoundation/CFArray.h>

#include <vector>

struct OpaqueCFArray : platform::RuntimeBase {
    OpaqueCFArray(const CFArrayCallBacks& callBacks_, bool isMutable_) : callBacks(callBacks_), isMutable(isMutable_) {}
    // A copy of the creator's callbacks; all members NULL for an array of plain pointers.
    CFArrayCallBacks callBacks;
    // The stored values, each already passed through the retain callback.
    std::vector<const void*> values;
    bool isMutable = false;
};

namespace platform {

extern const RuntimeClass kArrayClass;

// The array behind a reference; aborts with the caller's name when it is not an array.
const OpaqueCFArray* ArrayObject(CFArrayRef array, const char* caller);
// As ArrayObject, and aborts when the array is immutable.
OpaqueCFArray* MutableArrayObject(CFMutableArrayRef array, const char* caller);

}  // namespace platform
