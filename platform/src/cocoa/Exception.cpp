// Cocoa exceptions: a retained name and reason, thrown as C++ exceptions.
#include <Cocoa/Cocoa.h>

#include "base/CFOwner.h"

#include <utility>

NSString* const NSGenericException = CFSTR("NSGenericException");
NSString* const NSInvalidArgumentException = CFSTR("NSInvalidArgumentException");
NSString* const NSInternalInconsistencyException = CFSTR("NSInternalInconsistencyException");
NSString* const NSRangeException = CFSTR("NSRangeException");

namespace {

NSString* RetainOrNull(NSString* string)
{
    return platform::RetainCF(string).LeakRef();
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
    platform::CFOwner<NSString*> oldName = platform::AdoptCF(std::exchange(mName, RetainOrNull(other.mName)));
    platform::CFOwner<NSString*> oldReason = platform::AdoptCF(std::exchange(mReason, RetainOrNull(other.mReason)));
    return *this;
}

NSException::~NSException()
{
    platform::AdoptCF(mName).Reset();
    platform::AdoptCF(mReason).Reset();
}

void NSException::raise(NSString* name, NSString* reason)
{
    throw NSException(name, reason);
}

NSString* NSException::description() const
{
    return mReason != nullptr ? mReason : mName;
}
