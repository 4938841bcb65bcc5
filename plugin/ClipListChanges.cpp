// The change journal of one menu's clip list.
#include "plugin/ClipListChanges.h"

#include "plugin/StoredClipList.h"

ClipListChanges::ClipListChanges()
    : mAdded(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks)),
      mRemoved(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks))
{
    if (mAdded.Get() == nullptr || mRemoved.Get() == nullptr) {
        throw static_cast<SInt32>(memFullErr);
    }
}

void ClipListChanges::NoteAdded(CFDictionaryRef record)
{
    if (record != nullptr) {
        CFArrayAppendValue(mAdded, record);
    }
}

void ClipListChanges::NoteRemoved(CFDictionaryRef record)
{
    if (record == nullptr) {
        return;
    }
    const CFIndex added = CFArrayGetFirstIndexOfValue(mAdded, CFRangeMake(0, CFArrayGetCount(mAdded)), record);
    if (added >= 0) {
        CFArrayRemoveValueAtIndex(mAdded, added);
        return;
    }
    CFArrayAppendValue(mRemoved, record);
}

bool ClipListChanges::IsEmpty() const
{
    return CFArrayGetCount(mAdded) == 0 && CFArrayGetCount(mRemoved) == 0;
}

void ClipListChanges::ApplyTo(StoredClipList& stored) const
{
    for (CFIndex i = 0; i < CFArrayGetCount(mRemoved); ++i) {
        stored.RemoveAt(stored.IndexOf(static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(mRemoved, i))));
    }
    for (CFIndex i = 0; i < CFArrayGetCount(mAdded); ++i) {
        stored.Append(static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(mAdded, i)));
    }
}

void ClipListChanges::Clear()
{
    CFArrayRemoveAllValues(mAdded);
    CFArrayRemoveAllValues(mRemoved);
}
