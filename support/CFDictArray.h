// An ordered, mutable list of dictionaries kept in the preferences under one key. It carries a
// modified flag that tells the preference writer whether the list must be written back at all.
// The class knows nothing of what the dictionaries hold.
//
// Values that are not dictionaries may sit in the array (a damaged preferences file): they are
// counted and keep their index, and the fetching operations report them as absent.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

class CFDictArray {
public:
    // A new empty array.
    CFDictArray();
    // Takes array as its array; with retain the caller keeps its own reference, without it the
    // object takes over the caller's reference.
    CFDictArray(CFMutableArrayRef array, Boolean retain);
    // A new array holding the same dictionaries as other's (not copies of them).
    CFDictArray(const CFDictArray& other);
    // Loads the array stored under key in the preferences of applicationID (see LoadArrayFromPrefs).
    CFDictArray(CFStringRef key, CFStringRef applicationID, UInt32 options);
    // Takes a new array holding the same dictionaries as other's and marks this list modified.
    CFDictArray& operator=(const CFDictArray& other);

    virtual ~CFDictArray();

    // Replaces the array (nothing happens when it is the one already held).
    virtual void ReplaceMutableArray(CFMutableArrayRef array, Boolean retain);
    virtual SInt32 GetCount() const;
    // A null item is ignored. The array retains what it is given.
    virtual void AddItem(CFDictionaryRef item);
    virtual void InsertItemAt(CFDictionaryRef item, SInt32 index);
    virtual void RemoveItemAt(SInt32 index);
    virtual void RemoveAllItems();
    // Moves one value before the value now at to (to >= count: to the end); answers its new index.
    virtual SInt32 MoveOneItem(SInt32 from, SInt32 to);
    // Moves the values at the indexes (an array of numbers) as a block before the value now at to;
    // answers the new index of the block's first value.
    virtual SInt32 MoveItems(CFArrayRef indexes, SInt32 to);
    // The dictionary at index (borrowed: valid while the array holds it), or NULL when the index is
    // out of range or the value there is not a dictionary.
    virtual CFDictionaryRef FetchItemAt(SInt32 index) const;
    // As FetchItemAt, for an index the caller already knows to be in range.
    virtual CFDictionaryRef PeekItemAt(SInt32 index) const;
    // Replaces the value at index; out of range, or a null item, nothing happens.
    virtual void SetItemAt(CFDictionaryRef item, SInt32 index);
    // Replaces the array with the one stored under key, deep-copied with the property-list
    // mutability option; an empty array when there is none. Leaves the modified flag alone.
    virtual void LoadArrayFromPrefs(CFStringRef key, CFStringRef applicationID, UInt32 options);
    // Sets the array as the value of key; the caller synchronizes the preferences.
    virtual void SaveArrayToPrefs(CFStringRef key, CFStringRef applicationID) const;
    // The record's string for key (borrowed), or NULL.
    virtual CFStringRef GetItemStringForKey(SInt32 index, CFStringRef key) const;
    // Stores value under key in the record (NULL removes the key). The record must be mutable.
    virtual void SetItemStringForKey(SInt32 index, CFStringRef key, CFStringRef value);
    // The record's boolean for key (1 or 0), or defaultValue when there is no boolean there.
    virtual Boolean GetItemBooleanForKey(SInt32 index, CFStringRef key, Boolean defaultValue) const;
    virtual void SetItemBooleanForKey(SInt32 index, CFStringRef key, Boolean value);
    // Puts a mutable copy of the dictionary at index in its place and answers it (borrowed: the
    // array holds the only reference), or NULL.
    virtual CFMutableDictionaryRef ReplaceDictionaryWithMutableCopyAt(SInt32 index);

    // True once anything has changed or replaced the array; never cleared.
    Boolean IsModified() const { return mModified; }
    // Borrowed; NULL when the object holds no array.
    CFMutableArrayRef GetMutableArray() const { return mArray; }

private:
    void ReleaseArray();

    CFMutableArrayRef mArray;  // owned reference, or NULL
    Boolean mModified;
};
