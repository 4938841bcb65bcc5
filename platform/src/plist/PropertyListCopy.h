// Deep copies of property lists, and the test of what a property list is.
#pragma once

#include <CoreFoundation/CFPropertyList.h>

namespace platform::plist {

// A deep copy (+1). Option 0: everything immutable; 1: arrays and dictionaries mutable, leaves
// immutable; 2: strings and data mutable as well. Numbers, booleans and dates are immutable in
// every case and are shared rather than copied. Dictionary keys are always immutable copies.
// NULL when the value is not a property list (or nests too deeply, or memory runs out).
CFPropertyListRef CopyPropertyListDeep(CFAllocatorRef allocator, CFPropertyListRef value, CFOptionFlags mutability);

// True when the value is made only of the types the format carries.

}  // namespace platform::plist
