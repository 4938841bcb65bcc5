// Immutable arrays of platform objects, held as a platform array.
#include <Cocoa/Cocoa.h>

#include "base/CFOwner.h"

NSArray::NSArray(CFArrayRef adopted) : mArray(adopted) {}

NSArray::~NSArray()
{
    platform::AdoptCF(mArray).Reset();
}

NSArray* NSArray::arrayWithObject(CFTypeRef object)
{
    if (object == nullptr) {
        NSException::raise(NSInvalidArgumentException, CFSTR("attempt to insert nil object"));
    }
    CFArrayRef array = CFArrayCreate(kCFAllocatorDefault, &object, 1, &kCFTypeArrayCallBacks);
    if (array == nullptr) {
        NSException::raise(NSGenericException, CFSTR("out of memory"));
    }
    NSArray* made = new NSArray(array);
    made->autorelease();
    return made;
}

NSUInteger NSArray::count() const
{
    return static_cast<NSUInteger>(CFArrayGetCount(mArray));
}

CFTypeRef NSArray::objectAtIndex(NSUInteger index) const
{
    if (index >= count()) {
        NSException::raise(NSRangeException, CFSTR("index beyond bounds"));
    }
    return CFArrayGetValueAtIndex(mArray, static_cast<CFIndex>(index));
}

BOOL NSArray::containsObject(CFTypeRef object) const
{
    if (object == nullptr) {
        return NO;
    }
    return CFArrayContainsValue(mArray, CFRangeMake(0, CFArrayGetCount(mArray)), object) ? YES : NO;
}
