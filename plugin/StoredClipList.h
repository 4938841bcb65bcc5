// The clip list as the preferences hold it at this moment, for the read-change-write of a save.
// Read and written with the clip-list lock held (StClipListLock), so that what one menu changed is
// applied to what other processes stored meanwhile, never over it. Everything this process does
// not change stays as it was stored: unknown keys of records, values that are not records.
#pragma once

#include "support/CFObj.h"

#include <CoreFoundation/CoreFoundation.h>

#include <functional>
#include <string>

class StoredClipList {
public:
    // Synchronizes the preferences and takes the stored version and list. An error only when the
    // preferences cannot be read at all.
    OSStatus Read();

    // The list can be read by this version: "VERSION" is 1 and "CLIP_LIST" an array, or neither
    // is stored yet.
    bool IsReadable() const { return mReadable; }
    CFIndex Count() const;
    // The index of the first record with the identity of record (HaveSameClipIdentity), or -1.
    CFIndex IndexOf(CFDictionaryRef record) const;
    // Whether a plain record names the package folder of that name (as the disk holds it, with ':'
    // for a name's '/').
    bool NamesPackage(const std::string& diskName) const;
    // Whether a secure record names the note of that name (UTF-8).
    bool NamesSecureNote(const std::string& noteName) const;

    void Append(CFDictionaryRef record);
    void RemoveAt(CFIndex index);

    // Stores the list as format version 1. A stored list this version could not read is first
    // kept under a key of its own, so that nothing written by another version is destroyed; the
    // key is then SetAsideKey(). ioErr when the preferences could not be written: nothing changed.
    OSStatus Write();
    CFStringRef SetAsideKey() const { return mSetAsideKey.Get(); }

private:
    bool AnyRecord(const std::function<bool(CFDictionaryRef)>& matches) const;

    CFObj<CFMutableArrayRef> mRecords;       // the stored elements, shared, in a list of our own
    CFObj<CFPropertyListRef> mStoredVersion;  // as stored, or NULL
    CFObj<CFPropertyListRef> mStoredList;     // as stored, or NULL
    CFObj<CFStringRef> mSetAsideKey;
    bool mReadable = false;
};

// Whether two records name the same clip: equal "FILENAME", secure flag, "NAME" and identifier
// (none in both counts as equal).
bool HaveSameClipIdentity(CFDictionaryRef one, CFDictionaryRef other);
