// Pasting and deleting one clip of the clip list. The record is the one the menu showed at the
// index it gave its items; a record without usable content still goes when its delete item is
// picked, so a clip whose files have vanished can always be removed from the menu.
#include "commands/CommandSteps.h"

#include "commands/PasteKeystroke.h"
#include "content/ClipIntent.h"
#include "content/ClipsFolderLock.h"
#include "menu/CommandIDs.h"
#include "plugin/ClipAlerts.h"
#include "plugin/ClipRecord.h"
#include "plugin/Preferences.h"
#include "plugin/StoredClipList.h"
#include "secure/ClipKeychain.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

namespace {

void PasteClip(AbstractCMPluginType* instance, CFDictionaryRef record, CFStringRef fileName, bool secure,
               FlavorSet& flavors)
{
    CFArrayRef typeStrings = GetClipArray(record, kClipFlavorsKey);
    if (typeStrings == nullptr) {
        return;
    }
    if (secure) {
        ReadSecureClip(flavors, fileName);
    } else {
        // The whole clip is read before the clipboard is touched: a clip deleted or damaged while
        // it is read is told and not pasted, rather than pasted in part.
        FSRef package;
        const OSStatus status = FlavorSet::GetClipPackageRef(fileName, &package);
        if (status == noErr) {
            flavors.ReadFromFiles(&package, typeStrings);
        }
        if (status != noErr || flavors.mLeftOutOnRead) {
            if (status != bdNamErr) {  // a record naming the folder's machinery reaches nothing
                ShowClipAlert(instance, kClipUnreadableText);
            }
            return;
        }
    }
    // An empty set leaves the clipboard and the keyboard alone. A clipboard that took none of the
    // clip must not be pasted: it holds something else. One that took part of it is pasted, and the
    // user told first.
    if (flavors.AnyContentAvailable()) {
        UInt32 put = 0;
        const OSStatus status = flavors.PutToClipboard(&put);
        if (put == 0) {
            ShowClipAlert(instance, kClipboardErrorText);
            return;
        }
        if (status != noErr) {
            ShowClipAlert(instance, kClipboardPartlyText);
        }
        StartPasteKeystroke();
    }
}

// Removes a plain clip's record and its package together, with the clip-list lock held: the
// package is first moved aside under an intent, the record removed from the stored list, and only
// then is the package deleted; a record that cannot be saved gets its package back.
OSStatus DeletePlainClip(AbstractCMPluginType* instance, SInt32 index, CFStringRef fileName)
{
    StClipIntent intent;
    OSStatus status = intent.Begin(StClipIntent::kDeleteClip);
    if (status != noErr) {
        return status;
    }
    status = fileName != nullptr ? intent.TakePackage(fileName) : fnfErr;
    // A record whose package is already gone, or that names none, still goes.
    if (status != noErr && status != fnfErr && status != bdNamErr) {
        intent.Finish();
        return status;
    }
    RemoveClipRecordAt(instance->implData, index);
    status = SavePreferences(instance->implData);
    if (status != noErr) {
        // A package that cannot go back now stays with the intent: the sweep puts it back, as its
        // record is still stored.
        if (intent.PutPackageBack() == noErr) {
            intent.Finish();
        }
        return status;
    }
    status = intent.RemoveWork();
    // What could not be deleted now stays with the intent, for a later sweep to try again.
    if (status == noErr) {
        intent.Finish();
    }
    return status;
}

// A secure clip the user saw in the menu, with its note, and only while its record is still
// stored: another application may have deleted it and stored a new secure clip of the same name,
// whose note has the same name. Deleting a note needs the keychain unlocked, which asks the user,
// so that is done first, without the clip-list lock (no other menu waits on the user, and a
// refusal changes nothing); under the lock the record is looked for again, and only then the note
// deleted and the record removed. A keychain locked again in between is asked for once more.
OSStatus DeleteSecureClipIfStored(AbstractCMPluginType* instance, SInt32 index, CFDictionaryRef record)
{
    constexpr int kMaxUnlocks = 3;
    CFStringRef noteName = GetClipString(record, kClipFileNameKey);
    for (int attempt = 0; attempt < kMaxUnlocks; ++attempt) {
        OSStatus status = noteName != nullptr ? UnlockKeychainForChange() : noErr;
        if (status != noErr) {
            return status;
        }
        StClipListLock lock;
        StoredClipList stored;
        status = lock.Status();
        if (status == noErr) {
            status = stored.Read();
        }
        if (status != noErr || (stored.IsReadable() && stored.IndexOf(record) < 0)) {
            return status;
        }
        if (noteName != nullptr) {
            StNoKeychainPrompts noPrompts;
            status = DeleteSecureClip(noteName);
            if (status == errSecInteractionNotAllowed) {
                continue;
            }
            if (status != noErr) {
                return status;
            }
        }
        RemoveClipRecordAt(instance->implData, index);
        return SavePreferences(instance->implData);
    }
    return userCanceledErr;
}

// A plain clip the user saw in the menu, wherever other processes' changes have moved its record
// since; one another process already removed is left alone.
OSStatus DeletePlainClipIfStored(AbstractCMPluginType* instance, SInt32 index, CFDictionaryRef record)
{
    StClipListLock lock;
    StoredClipList stored;
    OSStatus status = lock.Status();
    if (status == noErr) {
        status = stored.Read();
    }
    if (status != noErr || (stored.IsReadable() && stored.IndexOf(record) < 0)) {
        return status;
    }
    return DeletePlainClip(instance, index, GetClipString(record, kClipFileNameKey));
}

void DeleteClip(AbstractCMPluginType* instance, SInt32 index, CFDictionaryRef record)
{
    const OSStatus status =
        IsClipFlagSet(record, kClipSecureKey)
            ? DeleteSecureClipIfStored(instance, index, record)
            : DeletePlainClipIfStored(instance, index, record);
    if (status != noErr && status != userCanceledErr && !TellKeychainDamage(instance, status)) {
        ShowClipFailure(instance, status, kDeletingErrorText);
    }
}

}  // namespace

void RunClipCommand(AbstractCMPluginType* instance, SInt32 commandID, FlavorSet& flavors)
{
    CFDictArray* clipList = instance->implData.clipList;
    if (clipList == nullptr || commandID < kCmdPasteClipBase) {
        return;
    }
    const bool deleteMode = commandID >= kCmdDeleteClipBase;
    const SInt32 index = commandID - (deleteMode ? kCmdDeleteClipBase : kCmdPasteClipBase);
    // The record as this menu read it: the clip the user saw, even when other processes have
    // changed the stored list since.
    // Retained: deleting takes it out of the menu's list while it is still being read.
    CFDictionaryRef shown = clipList->FetchItemAt(index);
    if (shown == nullptr) {
        return;
    }
    CFObj<CFDictionaryRef> record(static_cast<CFDictionaryRef>(CFRetain(shown)));
    if (deleteMode) {
        DeleteClip(instance, index, record.Get());
        return;
    }
    // Set before any content is read: a plain-text clip keeps only its text flavors.
    if (IsClipFlagSet(record, kClipUsePlainTextKey)) {
        flavors.mUsePlainText = true;
    }
    CFStringRef fileName = GetClipString(record, kClipFileNameKey);
    if (fileName != nullptr) {
        PasteClip(instance, record, fileName, IsClipFlagSet(record, kClipSecureKey), flavors);
    }
}
