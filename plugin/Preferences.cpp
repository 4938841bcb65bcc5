#include "plugin/Preferences.h"

#include "plugin/PluginIdentity.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

void ReadPreferences(CMPluginImplData& data)
{
    CFPreferencesAppSynchronize(kStashwellPreferencesAppID);
    Boolean valid = false;
    CFIndex version = CFPreferencesGetAppIntegerValue(kPrefsVersionKey, kStashwellPreferencesAppID, &valid);
    if (valid && version == kClipListFormatVersion) {
        // Mutable containers: the records can be changed in place; their values stay immutable.
        data.clipList = new CFDictArray(kPrefsClipListKey, kStashwellPreferencesAppID, kCFPropertyListMutableContainers);
    } else {
        data.clipList = new CFDictArray();
    }
}

void SavePreferences(CMPluginImplData& data)
{
    // A menu in which nothing changed writes nothing, not even the version.
    if (data.clipList == nullptr || !data.clipList->IsModified()) {
        return;
    }
    CFPreferencesAppSynchronize(kStashwellPreferencesAppID);
    Boolean valid = false;
    CFIndex version = CFPreferencesGetAppIntegerValue(kPrefsVersionKey, kStashwellPreferencesAppID, &valid);
    if (!valid || version != kClipListFormatVersion) {
        CFIndex current = kClipListFormatVersion;
        CFObj<CFNumberRef> number(CFNumberCreate(kCFAllocatorDefault, kCFNumberCFIndexType, &current));
        if (number.Get() != nullptr) {
            CFPreferencesSetAppValue(kPrefsVersionKey, number.Get(), kStashwellPreferencesAppID);
        }
    }
    data.clipList->SaveArrayToPrefs(kPrefsClipListKey, kStashwellPreferencesAppID);
    CFPreferencesAppSynchronize(kStashwellPreferencesAppID);
}

AbstractCMPluginType* RetainPluginData(AbstractCMPluginType* instance)
{
    if (instance != nullptr) {
        instance->implData.retainCount += 1;
    }
    return instance;
}

void ReleasePluginData(AbstractCMPluginType* instance)
{
    if (instance == nullptr || instance->implData.retainCount <= 0) {
        return;
    }
    instance->implData.retainCount -= 1;
    if (instance->implData.retainCount >= 1) {
        return;
    }
    // Nobody can be told about a failed save at this point: the menu has closed.
    try {
        SavePreferences(instance->implData);
    } catch (...) {
    }
    delete instance->implData.clipList;
    instance->implData.clipList = nullptr;
}
