// Storing a new plain clip: its package is written into a work folder of its own, flushed, moved
// to its name and recorded in the stored clip list, the last two under the clip-list lock. A
// failure at any step removes what was made and tells the user; a process killed at any step
// leaves an intent that the next menu's sweep finishes or removes. So the clips folder never keeps
// a half-written or unrecorded package, and no record names a package that is not whole on disk.
#include "commands/ClipCreation.h"

#include "content/ClipIntent.h"
#include "content/ClipsFolderLock.h"
#include "menu/CommandIDs.h"
#include "plugin/ClipAlerts.h"
#include "plugin/ClipRecord.h"
#include "plugin/Preferences.h"
#include "plugin/StoredClipList.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#define kUntitledName CFSTR("Untitled")

namespace {

// Writes the flavor files; false when any of them is not on disk whole, thrown exceptions
// included.
bool SaveFlavors(FlavorSet& flavors, const FSRef* package)
{
    try {
        return flavors.SaveToFiles(package) == noErr;
    } catch (...) {
        return false;
    }
}

// The record of a new plain clip (+1).
CFMutableDictionaryRef CreatePlainRecord(CFStringRef name, CFStringRef fileName, CFStringRef submenu,
                                         FlavorSet& flavors)
{
    CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(kCFAllocatorDefault, 0,
                                                                    &kCFTypeDictionaryKeyCallBacks,
                                                                    &kCFTypeDictionaryValueCallBacks));
    if (record.Get() == nullptr) {
        throw static_cast<SInt32>(memFullErr);
    }
    // A record without a name would never reach the menu, and so could never be deleted.
    CFDictionaryAddValue(record.Get(), kClipNameKey, name != nullptr ? name : kUntitledName);
    CFDictionaryAddValue(record.Get(), kClipFileNameKey, fileName);
    SetNewClipIdentifier(record.Get());
    if (submenu != nullptr) {
        CFDictionaryAddValue(record.Get(), kClipSubmenuKey, submenu);
    }
    CFObj<CFMutableArrayRef> typeStrings(flavors.CreateFlavorTypeStringsArray());
    if (typeStrings.Get() != nullptr) {
        CFDictionaryAddValue(record.Get(), kClipFlavorsKey, typeStrings.Get());
    }
    return record.HandOut();
}

// With the lock held and the package written: moves it to its name and saves its record.
OSStatus RecordPackage(AbstractCMPluginType* instance, StClipIntent& intent, CFStringRef name, CFStringRef submenu,
                       FlavorSet& flavors)
{
    StoredClipList stored;
    OSStatus status = stored.Read();
    if (status != noErr) {
        return status;
    }
    if (!HasRoomForClip(instance, stored.IsReadable() ? stored.Count() : 0)) {
        return userCanceledErr;  // told already
    }
    CFStringRef madeName = nullptr;
    status = MovePackageIntoPlace(name, intent, &madeName);
    CFObj<CFStringRef> fileName(madeName);
    if (status != noErr) {
        return status;
    }
    CFObj<CFMutableDictionaryRef> record(CreatePlainRecord(name, fileName.Get(), submenu, flavors));
    AddClipRecord(instance->implData, record.Get());
    return SavePreferences(instance->implData);
}

// Takes away what an add made that did not end up recorded. What cannot be removed now stays with
// the intent, for the next sweep to remove.
void DiscardUnrecorded(StClipIntent& intent)
{
    if (intent.RemoveMovedPackage() == noErr && intent.RemoveWork() == noErr) {
        intent.Finish();
    }
}

}  // namespace

bool HasRoomForClip(const AbstractCMPluginType* instance, CFIndex storedCount)
{
    if (storedCount < kMaxListedClips) {
        return true;
    }
    ShowClipAlert(instance, kListFullText);
    return false;
}

void AddNewClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors)
{
    if (instance == nullptr || instance->implData.clipList == nullptr) {
        return;
    }
    StClipIntent intent;
    OSStatus status = noErr;
    {
        StClipListLock lock;
        status = lock.Status() != noErr ? lock.Status() : intent.Begin(StClipIntent::kAddClip);
    }
    // The flavors are written without the lock: other processes save their clips meanwhile.
    if (status == noErr && (!SaveFlavors(flavors, intent.WorkFolder()) || intent.FlushWork() != noErr)) {
        status = ioErr;
    }
    if (status == noErr) {
        StClipListLock lock;
        try {
            status = lock.Status() != noErr ? lock.Status() : RecordPackage(instance, intent, name, submenu, flavors);
        } catch (...) {
            // Nothing is saved once something throws: the package goes with the exception.
            DiscardUnrecorded(intent);
            throw;
        }
    }
    // Whatever is left of a package that did not end up recorded goes before the user is told.
    if (status == noErr) {
        intent.Finish();
    } else {
        DiscardUnrecorded(intent);
    }
    if (status != noErr && status != userCanceledErr) {
        ShowClipFailure(instance, status, kSavingErrorText);
    }
}
