// Deep copy of property lists.
#include "plist/PropertyListCopy.h"

#include "CFOwner.h"
#include "plist/PropertyListReader.h"
#include "plist/PropertyListWriter.h"

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFString.h>

#include <string>
#include <vector>

namespace platform::plist {
namespace {

using Owned = CFOwner<CFTypeRef>;

class DeepCopier {
public:
    DeepCopier(CFAllocatorRef allocator, CFOptionFlags mutability) : mAllocator(allocator), mMutability(mutability) {}

    Owned Copy(CFTypeRef value, int depth)
    {
        if (value == nullptr || depth > kMaxNestingDepth) {
            return Owned();
        }
        CFTypeID type = CFGetTypeID(value);
        if (type == CFStringGetTypeID()) {
            auto string = static_cast<CFStringRef>(value);
            return Owned::Adopt(LeavesMutable() ? CFStringCreateMutableCopy(mAllocator, 0, string)
                                                : CFStringCreateCopy(mAllocator, string));
        }
        if (type == CFDataGetTypeID()) {
            auto data = static_cast<CFDataRef>(value);
            return Owned::Adopt(LeavesMutable() ? CFDataCreateMutableCopy(mAllocator, 0, data)
                                                : CFDataCreateCopy(mAllocator, data));
        }
        if (type == CFNumberGetTypeID() || type == CFBooleanGetTypeID() || type == CFDateGetTypeID()) {
            return Owned::Retain(value);
        }
        if (type == CFArrayGetTypeID()) {
            return CopyArray(static_cast<CFArrayRef>(value), depth);
        }
        if (type == CFDictionaryGetTypeID()) {
            return CopyDictionary(static_cast<CFDictionaryRef>(value), depth);
        }
        return Owned();
    }

private:
    bool LeavesMutable() const { return mMutability == kCFPropertyListMutableContainersAndLeaves; }
    bool ContainersMutable() const { return mMutability == kCFPropertyListMutableContainers || LeavesMutable(); }

    Owned CopyArray(CFArrayRef array, int depth)
    {
        CFIndex count = CFArrayGetCount(array);
        std::vector<Owned> items;
        items.reserve(static_cast<size_t>(count));
        for (CFIndex i = 0; i < count; ++i) {
            Owned item = Copy(CFArrayGetValueAtIndex(array, i), depth + 1);
            if (!item) {
                return Owned();
            }
            items.push_back(std::move(item));
        }
        std::vector<const void*> raw;
        raw.reserve(items.size());
        for (const Owned& item : items) {
            raw.push_back(item.Get());
        }
        if (!ContainersMutable()) {
            return Owned::Adopt(CFArrayCreate(mAllocator, raw.data(), count, &kCFTypeArrayCallBacks));
        }
        CFMutableArrayRef copy = CFArrayCreateMutable(mAllocator, 0, &kCFTypeArrayCallBacks);
        if (copy != nullptr) {
            for (const void* item : raw) {
                CFArrayAppendValue(copy, item);
            }
        }
        return Owned::Adopt(copy);
    }

    Owned CopyDictionary(CFDictionaryRef dictionary, int depth)
    {
        CFIndex count = CFDictionaryGetCount(dictionary);
        std::vector<const void*> keys(static_cast<size_t>(count));
        std::vector<const void*> values(static_cast<size_t>(count));
        CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
        std::vector<Owned> ownedKeys;
        std::vector<Owned> ownedValues;
        ownedKeys.reserve(keys.size());
        ownedValues.reserve(keys.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == nullptr || CFGetTypeID(keys[i]) != CFStringGetTypeID()) {
                return Owned();
            }
            // Keys stay immutable whatever the option: a key changed in place would be lost to
            // the dictionary's hashing.
            Owned key = Owned::Adopt(CFStringCreateCopy(mAllocator, static_cast<CFStringRef>(keys[i])));
            Owned value = Copy(values[i], depth + 1);
            if (!key || !value) {
                return Owned();
            }
            ownedKeys.push_back(std::move(key));
            ownedValues.push_back(std::move(value));
        }
        for (size_t i = 0; i < keys.size(); ++i) {
            keys[i] = ownedKeys[i].Get();
            values[i] = ownedValues[i].Get();
        }
        if (!ContainersMutable()) {
            return Owned::Adopt(CFDictionaryCreate(mAllocator, keys.data(), values.data(), count,
                                                   &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
        }
        CFMutableDictionaryRef copy =
            CFDictionaryCreateMutable(mAllocator, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
        if (copy != nullptr) {
            for (size_t i = 0; i < keys.size(); ++i) {
                CFDictionarySetValue(copy, keys[i], values[i]);
            }
        }
        return Owned::Adopt(copy);
    }

    CFAllocatorRef mAllocator;
    CFOptionFlags mMutability;
};

}  // namespace

CFPropertyListRef CopyPropertyListDeep(CFAllocatorRef allocator, CFPropertyListRef value, CFOptionFlags mutability)
{
    if (mutability > kCFPropertyListMutableContainersAndLeaves) {
        return nullptr;
    }
    DeepCopier copier(allocator, mutability);
    return copier.Copy(value, 0).LeakRef();
}

}  // namespace platform::plist
