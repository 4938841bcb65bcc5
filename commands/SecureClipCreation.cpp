// Storing a secure clip: its content becomes a secure note in the clip keychain (created first
// when its file does not exist) and its record joins the clip list.
//
// A record names its note by "FILENAME", and a note name can hold only one note. So the record is
// added only once its note is stored, and under the name the note actually got: when the clip's
// name is taken (by the note of an earlier clip of that name, or by a record still pointing at
// it), the note gets the name followed by a two-digit suffix, as clip packages do. A clip whose
// content cannot be stored gets no record at all, instead of one that would paste nothing, or
// paste and delete another clip's note.
#include "commands/ClipCreation.h"

#include "content/ClipIntent.h"
#include "content/ClipsFolderLock.h"
#include "plugin/ClipAlerts.h"
#include "plugin/Preferences.h"
#include "plugin/StoredClipList.h"

#include "plugin/ClipRecord.h"
#include "secure/ClipKeychain.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

namespace {

constexpr int kLastNoteSuffix = 99;

// Whether a secure record of the list already names its note so.
bool IsNoteNameRecorded(const CFDictArray& clipList, CFStringRef noteName)
{
    const SInt32 count = clipList.GetCount();
    for (SInt32 index = 0; index < count; ++index) {
        CFDictionaryRef record = clipList.FetchItemAt(index);
        if (record == nullptr || !IsClipFlagSet(record, kClipSecureKey)) {
            continue;
        }
        CFStringRef fileName = GetClipString(record, kClipFileNameKey);
        if (fileName != nullptr && CFEqual(fileName, noteName)) {
            return true;
        }
    }
    return false;
}

// The name with the two digits of suffix appended (+1).
CFStringRef CreateSuffixedName(CFStringRef name, int suffix)
{
    CFObj<CFMutableStringRef> suffixed(CFStringCreateMutableCopy(kCFAllocatorDefault, 0, name));
    if (suffixed.Get() == nullptr) {
        return nullptr;
    }
    const char digits[3] = {static_cast<char>('0' + suffix / 10), static_cast<char>('0' + suffix % 10), '\0'};
    CFStringAppendCString(suffixed, digits, kCFStringEncodingASCII);
    return suffixed.HandOut();
}

// Stores content as a note under the first free name of name, name01 ... name99, and answers
// that name (+1); NULL when no name is free or the keychain refused the note (status says why).
CFStringRef StoreSecureNote(ClipKeychain& keychain, const CFDictArray& clipList, CFStringRef name, CFTypeRef content,
                            StClipIntent& intent, OSStatus& status)
{
    status = errSecDuplicateItem;
    for (int suffix = 0; suffix <= kLastNoteSuffix; ++suffix) {
        CFObj<CFStringRef> noteName(suffix == 0 ? CFStringCreateCopy(kCFAllocatorDefault, name)
                                                : CreateSuffixedName(name, suffix));
        if (noteName.Get() == nullptr) {
            return nullptr;
        }
        if (IsNoteNameRecorded(clipList, noteName)) {
            continue;
        }
        // Named in the intent first: were this process to die with the note stored and no
        // record saved, the next menu finds the note and takes it away.
        if (intent.NameNote(noteName) != noErr) {
            return nullptr;
        }
        // The keychain itself refuses a second note of a name, also one that another process has
        // just stored: that answer, not an earlier search, decides whether the name is free.
        status = keychain.AddSecureNote(noteName, content);
        if (status == noErr) {
            return noteName.HandOut();
        }
        if (status != errSecDuplicateItem) {
            return nullptr;
        }
    }
    return nullptr;
}

// The payload of the set (+1): its text, or its flavors as an XML property list. NULL when there
// is nothing to store (no text in a plain-text clip).
CFTypeRef CreateSecureContent(FlavorSet& flavors)
{
    if (flavors.mUsePlainText) {
        return flavors.CreateCFStringContent();
    }
    // The dictionary shares the set's blocks: it is serialised at once and let go.
    CFObj<CFDictionaryRef> content(flavors.CreateTemporaryContentDict());
    if (content.Get() == nullptr) {
        return nullptr;
    }
    return CFPropertyListCreateXMLData(kCFAllocatorDefault, content);
}

// Appends the record to the stored list at once, with the clip-list lock held; userCanceledErr when
// the list is full (the user has been told).
OSStatus SaveSecureRecord(AbstractCMPluginType* instance, CFDictionaryRef record)
{
    StClipListLock lock;
    StoredClipList stored;
    OSStatus status = lock.Status();
    if (status == noErr) {
        status = stored.Read();
    }
    if (status != noErr) {
        return status;
    }
    if (!HasRoomForClip(instance, stored.IsReadable() ? stored.Count() : 0)) {
        return userCanceledErr;
    }
    AddClipRecord(instance->implData, record);
    return SavePreferences(instance->implData);
}

}  // namespace

void AddNewSecureClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors)
{
    if (instance == nullptr || instance->implData.clipList == nullptr || name == nullptr) {
        return;
    }
    CFDictArray& clipList = *instance->implData.clipList;
    flavors.mHoldsSecret = true;

    // Nothing to store asks the user for no keychain password.
    CFObjDel content(CreateSecureContent(flavors));
    if (content.Get() == nullptr) {
        return;
    }
    // Every failure but the user's own cancelling is told: the user typed or chose a secret that
    // would otherwise vanish without a word.
    StKeychainPath path;
    if (path.Get() == nullptr) {
        ShowClipAlert(instance, kSavingErrorText);
        return;
    }
    // Made without the clips folder's lock, which no menu may wait on while the user types a
    // password. Another application's first secure clip may make the keychain meanwhile: this
    // clip then goes into that one.
    ClipKeychain keychain(path.FileExists() ? path.Get() : nullptr);
    if (!path.FileExists()) {
        const OSStatus status = keychain.CreateOrOpenKeychain(path.Get(), nullptr);
        if (status != noErr) {
            if (status != userCanceledErr && !TellKeychainDamage(instance, status)) {
                ShowClipAlert(instance, kSavingErrorText);
            }
            return;
        }
    }
    StClipIntent intent;
    {
        StClipListLock lock;
        const OSStatus status = lock.Status() != noErr ? lock.Status() : intent.Begin(StClipIntent::kAddSecureNote);
        if (status != noErr) {
            ShowClipFailure(instance, status, kSavingErrorText);
            return;
        }
    }

    OSStatus noteStatus = noErr;
    CFObj<CFStringRef> noteName(StoreSecureNote(keychain, clipList, name, content.Get(), intent, noteStatus));
    if (noteName.Get() == nullptr) {
        intent.Finish();
        if (noteStatus != userCanceledErr && !TellKeychainDamage(instance, noteStatus)) {
            ShowClipAlert(instance, kSavingErrorText);
        }
        return;
    }
    OSStatus status = noErr;
    try {
        CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(
            kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
        if (record.Get() == nullptr) {
            throw static_cast<SInt32>(memFullErr);
        }
        // A neutral name is numbered with its note, so that each such clip can be told apart.
        CFDictionarySetValue(record, kClipNameKey, CFEqual(name, kNeutralSecureClipName) ? noteName.Get() : name);
        CFDictionarySetValue(record, kClipFileNameKey, noteName.Get());
        SetNewClipIdentifier(record.Get());
        if (submenu != nullptr) {
            CFDictionarySetValue(record, kClipSubmenuKey, submenu);
        }
        CFObj<CFMutableArrayRef> typeStrings(flavors.CreateFlavorTypeStringsArray());
        if (typeStrings.Get() != nullptr) {
            CFDictionarySetValue(record, kClipFlavorsKey, typeStrings.Get());
        }
        CFDictionarySetValue(record, kClipSecureKey, kCFBooleanTrue);
        CFDictionarySetValue(record, kClipUsePlainTextKey, flavors.mUsePlainText ? kCFBooleanTrue : kCFBooleanFalse);
        status = SaveSecureRecord(instance, record.Get());
    } catch (...) {
        // A note that no record names could never be pasted or deleted from the menu.
        if (keychain.DeleteSecureNote(noteName) == noErr) {
            intent.Finish();
        }
        throw;
    }
    // A note that could not be taken back stays named in the intent, for a later sweep.
    if (status == noErr || keychain.DeleteSecureNote(noteName) == noErr) {
        intent.Finish();
    }
    if (status != noErr && status != userCanceledErr) {
        ShowClipFailure(instance, status, kSavingErrorText);
    }
}
