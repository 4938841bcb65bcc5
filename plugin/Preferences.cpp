#include "plugin/Preferences.h"

#include "content/ClipIntentSweep.h"
#include "content/ClipsFolderLock.h"
#include "plugin/ClipAlerts.h"
#include "plugin/ClipListChanges.h"
#include "plugin/PluginIdentity.h"
#include "plugin/StoredClipList.h"
#include "secure/ClipKeychain.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

namespace {

// Deletes a note that no record names, if that can be done without asking the user anything.
bool DeleteUnrecordedNote(const std::string& noteName)
{
    StKeychainPath path;
    if (path.Get() == nullptr || !path.FileExists()) {
        return true;  // no keychain, no note
    }
    ClipKeychain keychain(path.Get());
    if ((keychain.GetStatus() & kSecUnlockStateStatus) == 0) {
        return false;
    }
    CFObj<CFStringRef> name(CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(noteName.data()),
                                                    static_cast<CFIndex>(noteName.size()), kCFStringEncodingUTF8, false));
    if (name.Get() == nullptr) {
        return true;  // no note can have that name
    }
    // Swept under the clip-list lock: a keychain locked since its status was read is left for a
    // later sweep rather than asking the user while other menus wait.
    StNoKeychainPrompts noPrompts;
    const OSStatus status = keychain.DeleteSecureNote(name.Get());
    return status == noErr || status == errSecItemNotFound;
}

// Finishes or removes what writers that died left in the clips folder. Only a readable list can
// say that no record names a package or a note: otherwise both are kept. Every menu runs it, so it
// never waits for the lock: while another process holds it, the sweep is left to a later menu.
void SweepClipsFolder()
{
    if (!AnyClipIntentPresent()) {
        return;
    }
    StClipListLock lock(StClipListLock::kTryOnly);
    StoredClipList stored;
    if (lock.Status() != noErr || stored.Read() != noErr) {
        return;
    }
    const bool readable = stored.IsReadable();
    ClipIntentJudge judge;
    judge.isPackageRecorded = [&](const std::string& name) { return !readable || stored.NamesPackage(name); };
    judge.isNoteRecorded = [&](const std::string& name) { return !readable || stored.NamesSecureNote(name); };
    judge.deleteNote = DeleteUnrecordedNote;
    SweepAbandonedIntents(judge);
}

ClipListChanges& ChangesOf(CMPluginImplData& data)
{
    if (data.changes == nullptr) {
        data.changes = new ClipListChanges();
    }
    return *data.changes;
}

}  // namespace

void ReadPreferences(CMPluginImplData& data)
{
    SweepClipsFolder();
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

void AddClipRecord(CMPluginImplData& data, CFDictionaryRef record)
{
    if (data.clipList == nullptr || record == nullptr) {
        return;
    }
    // Noted only once it is in the list: a list that failed to take it has nothing to save.
    data.clipList->AddItem(record);
    ChangesOf(data).NoteAdded(record);
}

void RemoveClipRecordAt(CMPluginImplData& data, SInt32 index)
{
    if (data.clipList == nullptr || index < 0 || index >= data.clipList->GetCount()) {
        return;
    }
    CFDictionaryRef record = data.clipList->FetchItemAt(index);
    if (record != nullptr) {
        ChangesOf(data).NoteRemoved(record);
    }
    data.clipList->RemoveItemAt(index);
}

OSStatus SavePreferences(CMPluginImplData& data)
{
    // A menu in which nothing changed writes nothing, not even the version.
    if (data.changes == nullptr || data.changes->IsEmpty()) {
        return noErr;
    }
    StClipListLock lock;
    if (lock.Status() != noErr) {
        return lock.Status();
    }
    StoredClipList stored;
    OSStatus status = stored.Read();
    if (status != noErr) {
        return status;
    }
    data.changes->ApplyTo(stored);
    status = stored.Write();
    // Saved or not, the changes are done with: the caller of a failed save has been told and puts
    // back what it changed on disk, so a later save must not apply them after all.
    data.changes->Clear();
    if (status != noErr) {
        return status;
    }
    if (stored.SetAsideKey() != nullptr) {
        ShowClipAlert(nullptr, kListSetAsideText, stored.SetAsideKey());
    }
    return noErr;
}

void ForgetClipList(CMPluginImplData& data)
{
    delete data.clipList;
    data.clipList = nullptr;
    delete data.changes;
    data.changes = nullptr;
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
    // The commands save their own changes at once, where a failure can still be shown and undone;
    // what is left here is saved quietly, as the menu has closed.
    try {
        SavePreferences(instance->implData);
    } catch (...) {
    }
    ForgetClipList(instance->implData);
}
