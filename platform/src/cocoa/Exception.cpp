// Cocoa exceptions: a retained name and reason, thrown as C++ exceptions.
#include <Cocoa/Cocoa.h>

NSString* const NSGenericException = CFSTR("NSGenericException");
NSString* const NSInvalidArgumentException = CFSTR("NSInvalidArgumentException");
NSString* const NSInternalInconsistencyException = CFSTR("NSInternalInconsistencyException");
NSString* const NSRangeException = CFSTR("NSRangeException");

namespace {

NSString* RetainOrNull(NSString* string)
{
    if (string != nullptr) {
        CFRetain(string);
    }
    return string;
}

void ReleaseIfAny(NSString* string)
{
    if (string != nullptr) {
        CFRelease(string);
    }
}

}  // namespace

NSException::NSException(NSString* name, NSString* reason) : mName(RetainOrNull(name)), mReason(RetainOrNull(reason))
{
}

NSException::NSException(const NSException& other)
    : mName(RetainOrNull(other.mName)), mReason(RetainOrNull(other.mReason))
{
}

NSException& NSException::operator=(const NSException& other)
{
    // Retain first: other may be this very exception.
    NSString* name = RetainOrNull(other.mName);
    NSString* reason = RetainOrNull(other.mReason);
    ReleaseIfAny(mName);
    ReleaseIfAny(mReason);
    mName = name;
    mReason = reason;
    return *this;
}

NSException::~NSException()
{
    ReleaseIfAny(mName);
    ReleaseIfAny(mReason);
}

void NSException::raise(NSString* name, NSString* reason)
{
    throw NSException(name, reason);
}

NSString* NSException::description() const
{
    return mReason != nullptr ? mReason : mName;
}
