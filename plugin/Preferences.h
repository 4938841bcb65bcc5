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
// version is 1). The caller has cleared clipList.
void ReadPreferences(CMPluginImplData& data);
// Writes the clip list (and the version, when it is not 1 yet) if the list was modified.
void SavePreferences(CMPluginImplData& data);

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
