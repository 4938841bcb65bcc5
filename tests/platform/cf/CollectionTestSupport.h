// The string maker of the collection tests (counted strings, since constants would not show
// retains and releases), and the description of an object as text.
#pragma once

#include "platform/bundle/BundleTestSupport.h"

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace testing_cf {

using bundletest::MakeString;

// The description of an object as UTF-8.
inline std::string Describe(CFTypeRef object)
{
    return bundletest::TakeText(CFCopyDescription(object));
}

}  // namespace testing_cf
