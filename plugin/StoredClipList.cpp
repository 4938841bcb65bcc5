// The stored clip list's read-change-write.
#include "plugin/StoredClipList.h"

#include "content/ClipsFolder.h"
#include "plugin/ClipRecord.h"
#include "plugin/PluginIdentity.h"
#include "plugin/Preferences.h"

#include "TimeStamp.h"

#include <string>

namespace {

bool IsArray(CFTypeRef value)
{
    return value != nullptr && CFGetTypeID(value) == CFArrayGetTypeID();
}

bool IsDictionary(CFTypeRef value)
{
    return value != nullptr && CFGetTypeID(value) == CFDictionaryGetTypeID();
}

bool SameValue(CFTypeRef one, CFTypeRef other)
{
    return one == other || (one != nullptr && other != nullptr && CFEqual(one, other));
}

// "CLIP_LIST_SET_ASIDE_<UTC time>", or with "-2", "-3" ... after it when a list set aside earlier
// holds that key (+1): two lists set aside in the same second must not share one, or the second
// would overwrite the only copy of the first. Called with the clip-list lock held and the
// preferences just read, so no other process takes the key meanwhile.
CFStringRef CreateSetAsideKey()
{
    const std::string stamp = "CLIP_LIST_SET_ASIDE_" + platform::UTCStamp();
    for (int n = 1;; ++n) {
        const std::string key = n == 1 ? stamp : stamp + "-" + std::to_string(n);
        CFObj<CFStringRef> candidate(CFStringCreateWithCString(kCFAllocatorDefault, key.c_str(), kCFStringEncodingASCII));
        if (candidate.Get() == nullptr) {
            return nullptr;
        }
        CFObjDel taken(CFPreferencesCopyAppValue(candidate.Get(), kStashwellPreferencesAppID));
        if (taken.Get() == nullptr) {
            return candidate.HandOut();
        }
    }
}

}  // namespace

bool HaveSameClipIdentity(CFDictionaryRef one, CFDictionaryRef other)
{
    return one != nullptr && other != nullptr &&
           SameValue(GetClipString(one, kClipFileNameKey), GetClipString(other, kClipFileNameKey)) &&
           IsClipFlagSet(one, kClipSecureKey) == IsClipFlagSet(other, kClipSecureKey) &&
           SameValue(GetClipString(one, kClipNameKey), GetClipString(other, kClipNameKey)) &&
           SameValue(GetClipString(one, kClipIdentifierKey), GetClipString(other, kClipIdentifierKey));
}

OSStatus StoredClipList::Read()
{
    // A failed synchronize leaves the values last read, which may be old: nothing is written on
    // top of a list that could not be read fresh.
    if (!CFPreferencesAppSynchronize(kStashwellPreferencesAppID)) {
        return ioErr;
    }
    mStoredVersion.Adopt(CFPreferencesCopyAppValue(kPrefsVersionKey, kStashwellPreferencesAppID));
    mStoredList.Adopt(CFPreferencesCopyAppValue(kPrefsClipListKey, kStashwellPreferencesAppID));
    Boolean valid = false;
    const CFIndex version = CFPreferencesGetAppIntegerValue(kPrefsVersionKey, kStashwellPreferencesAppID, &valid);
    const bool versionOne = valid && version == kClipListFormatVersion;
    if (mStoredList.Get() == nullptr) {
        mReadable = mStoredVersion.Get() == nullptr || versionOne;
    } else {
        mReadable = versionOne && IsArray(mStoredList.Get());
    }
    if (mReadable && mStoredList.Get() != nullptr) {
        mRecords.Adopt(CFArrayCreateMutableCopy(kCFAllocatorDefault, 0, static_cast<CFArrayRef>(mStoredList.Get())));
    } else {
        mRecords.Adopt(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    }
    return mRecords.Get() != nullptr ? noErr : memFullErr;
}

CFIndex StoredClipList::Count() const
{
    return mRecords.Get() != nullptr ? CFArrayGetCount(mRecords) : 0;
}

CFIndex StoredClipList::IndexOf(CFDictionaryRef record) const
{
    const CFIndex count = Count();
    for (CFIndex index = 0; index < count; ++index) {
        CFTypeRef element = CFArrayGetValueAtIndex(mRecords, index);
        if (IsDictionary(element) && HaveSameClipIdentity(static_cast<CFDictionaryRef>(element), record)) {
            return index;
        }
    }
    return -1;
}

bool StoredClipList::AnyRecord(const std::function<bool(CFDictionaryRef)>& matches) const
{
    const CFIndex count = Count();
    for (CFIndex index = 0; index < count; ++index) {
        CFTypeRef element = CFArrayGetValueAtIndex(mRecords, index);
        if (IsDictionary(element) && matches(static_cast<CFDictionaryRef>(element))) {
            return true;
        }
    }
    return false;
}

bool StoredClipList::NamesPackage(const std::string& diskName) const
{
    return AnyRecord([&](CFDictionaryRef record) {
        return !IsClipFlagSet(record, kClipSecureKey) &&
               DiskNameOfPackage(GetClipString(record, kClipFileNameKey)) == diskName;
    });
}

bool StoredClipList::NamesSecureNote(const std::string& noteName) const
{
    CFObj<CFStringRef> name(CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(noteName.data()),
                                                    static_cast<CFIndex>(noteName.size()), kCFStringEncodingUTF8, false));
    return AnyRecord([&](CFDictionaryRef record) {
        CFStringRef fileName = GetClipString(record, kClipFileNameKey);
        return IsClipFlagSet(record, kClipSecureKey) && fileName != nullptr && name.Get() != nullptr &&
               CFEqual(fileName, name.Get());
    });
}

void StoredClipList::Append(CFDictionaryRef record)
{
    if (mRecords.Get() != nullptr && record != nullptr) {
        CFArrayAppendValue(mRecords, record);
    }
}

void StoredClipList::RemoveAt(CFIndex index)
{
    if (index >= 0 && index < Count()) {
        CFArrayRemoveValueAtIndex(mRecords, index);
    }
}

OSStatus StoredClipList::Write()
{
    if (mRecords.Get() == nullptr) {
        return paramErr;
    }
    if (!mReadable) {
        CFObj<CFMutableDictionaryRef> kept(CFDictionaryCreateMutable(
            kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
        mSetAsideKey.Adopt(CreateSetAsideKey());
        if (kept.Get() == nullptr || mSetAsideKey.Get() == nullptr) {
            return memFullErr;
        }
        if (mStoredVersion.Get() != nullptr) {
            CFDictionarySetValue(kept, kPrefsVersionKey, mStoredVersion.Get());
        }
        if (mStoredList.Get() != nullptr) {
            CFDictionarySetValue(kept, kPrefsClipListKey, mStoredList.Get());
        }
        CFPreferencesSetAppValue(mSetAsideKey, kept.Get(), kStashwellPreferencesAppID);
    }
    Boolean valid = false;
    const CFIndex version = CFPreferencesGetAppIntegerValue(kPrefsVersionKey, kStashwellPreferencesAppID, &valid);
    if (!valid || version != kClipListFormatVersion) {
        CFIndex current = kClipListFormatVersion;
        CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberCFIndexType, &current));
        if (number.Get() == nullptr) {
            return memFullErr;
        }
        CFPreferencesSetAppValue(kPrefsVersionKey, number.Get(), kStashwellPreferencesAppID);
    }
    CFPreferencesSetAppValue(kPrefsClipListKey, mRecords.Get(), kStashwellPreferencesAppID);
    if (!CFPreferencesAppSynchronize(kStashwellPreferencesAppID)) {
        mSetAsideKey.Adopt(nullptr);
        return ioErr;
    }
    return noErr;
}
