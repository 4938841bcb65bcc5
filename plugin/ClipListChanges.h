// What one menu changed in the clip list: the records it added and the records it removed. A save
// applies exactly these to the list as it is stored at that moment, so that the clips other
// processes added or removed meanwhile stay as they left them.
#pragma once

#include "support/CFObj.h"

#include <CoreFoundation/CoreFoundation.h>

class StoredClipList;

class ClipListChanges {
public:
    ClipListChanges();

    void NoteAdded(CFDictionaryRef record);
    // A record added by this menu and not saved yet is simply forgotten.
    void NoteRemoved(CFDictionaryRef record);
    bool IsEmpty() const;
    // Removals find their record by its identity, never by an index; a record another process
    // removed already stays removed. Additions go to the end.
    void ApplyTo(StoredClipList& stored) const;
    void Clear();

private:
    CFObj<CFMutableArrayRef> mAdded;
    CFObj<CFMutableArrayRef> mRemoved;
};
