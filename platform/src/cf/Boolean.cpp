// Booleans: exactly two objects, both constants. A type of its own, never equal to a number.
#include "cf/Runtime.h"

#include <CoreFoundation/CFNumber.h>

#include <string>

struct OpaqueCFBoolean : platform::RuntimeBase {
    // Constant-initialised, so that the two booleans exist before any static initializer that
    // might use them.
    constexpr explicit OpaqueCFBoolean(bool value_) : value(value_)
    {
        typeID = platform::kBooleanTypeID;
        immortal = true;
    }
    bool value;
};

namespace platform {
namespace {

// Only two objects exist, so identity decides equality: the runtime never calls equal for the
// same object.
bool BooleanEqual(const RuntimeBase*, const RuntimeBase*)
{
    return false;
}

CFHashCode BooleanHash(const RuntimeBase* object)
{
    return static_cast<const OpaqueCFBoolean*>(object)->value ? 1 : 0;
}

std::string DescribeBoolean(const RuntimeBase* object)
{
    return static_cast<const OpaqueCFBoolean*>(object)->value ? "true" : "false";
}

const RuntimeClass kBooleanClass{kBooleanTypeID, "CFBoolean", nullptr, &BooleanEqual, &BooleanHash, &DescribeBoolean};

constinit OpaqueCFBoolean gTrue{true};
constinit OpaqueCFBoolean gFalse{false};

// The hooks are in the type table from load time on, as the objects are.
[[maybe_unused]] const bool gRegistered = (RegisterRuntimeClass(kBooleanClass), true);

}  // namespace
}  // namespace platform

using namespace platform;

extern "C" {

const CFBooleanRef kCFBooleanTrue = &gTrue;
const CFBooleanRef kCFBooleanFalse = &gFalse;

CFTypeID CFBooleanGetTypeID(void)
{
    RegisterRuntimeClass(kBooleanClass);
    return kBooleanTypeID;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean)
{
    if (!IsType(boolean, kBooleanTypeID)) {
        FatalError("CFBooleanGetValue: not a boolean");
    }
    return static_cast<const OpaqueCFBoolean*>(boolean)->value;
}

}  // extern "C"
