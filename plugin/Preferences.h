// The plug-in's lasting state: the format version and the clip list in the preferences domain of
// the bundle identifier, and the holds on the per-menu working data that decide when a changed
// list is written back.
#pragma once

#include "plugin/AbstractCMPlugin.h"

#define kPrefsVersionKey CFSTR("VERSION")
#define kPrefsClipListKey CFSTR("CLIP_LIST")

// The only clip-list format there is; a stored list of any other version is not read.
enum { kClipListFormatVersion = 1 };

// Synchronizes the preferences and loads the clip list into data.clipList (empty unless the stored
// version is 1). The caller has cleared clipList. Work that writers who died left half done in the
// clips folder is finished or removed first.
void ReadPreferences(CMPluginImplData& data);
// Appends a record to the menu's clip list, noted for the next save.
void AddClipRecord(CMPluginImplData& data, CFDictionaryRef record);
// Removes the record at index from the menu's clip list, noted for the next save.
void RemoveClipRecordAt(CMPluginImplData& data, SInt32 index);
// Applies what this menu added and removed to the clip list as it is stored now, under the
// clip-list lock (the version becomes 1; a stored list this version cannot read is kept aside and
// the user told). noErr when there was nothing to save. The noted changes are dropped either way:
// after a failure the stored list is as it was, and the caller undoes what it did on disk.
OSStatus SavePreferences(CMPluginImplData& data);
// Deletes the menu's clip list and its unsaved changes.
void ForgetClipList(CMPluginImplData& data);

// Adds one hold on the instance's working data. NULL is allowed.
AbstractCMPluginType* RetainPluginData(AbstractCMPluginType* instance);
// Gives one hold back; the last one saves a modified list and deletes it. Does nothing for NULL or
// when no hold is left.
void ReleasePluginData(AbstractCMPluginType* instance);

// One hold on the working data for the life of a scope, given back on every way out.
class StPluginDataHold {
public:
    explicit StPluginDataHold(AbstractCMPluginType* instance) : mInstance(RetainPluginData(instance)) {}
    ~StPluginDataHold() { ReleasePluginData(mInstance); }
    StPluginDataHold(const StPluginDataHold&) = delete;
    StPluginDataHold& operator=(const StPluginDataHold&) = delete;

private:
    AbstractCMPluginType* mInstance;
};
