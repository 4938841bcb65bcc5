// Pasting and deleting one clip of the clip list. The record is found by the index the menu gave
// its items; a record without usable content still goes when its delete item is picked, so a
// clip whose files have vanished can always be removed from the menu.
#include "commands/CommandSteps.h"

#include "commands/CommandIDs.h"
#include "commands/PasteKeystroke.h"
#include "plugin/ClipRecord.h"
#include "support/CFDictArray.h"

namespace {

void PasteClip(CFDictionaryRef record, CFStringRef fileName, bool secure, FlavorSet& flavors)
{
    FSRef package;
    if (!secure && FlavorSet::GetClipPackageRef(fileName, &package) != noErr) {
        return;
    }
    CFArrayRef typeStrings = GetClipArray(record, kClipFlavorsKey);
    if (typeStrings == nullptr) {
        return;
    }
    if (secure) {
        ReadSecureClip(flavors, fileName);
    } else {
        flavors.ReadFromFiles(&package, typeStrings);
    }
    // An empty set leaves the clipboard and the keyboard alone.
    if (flavors.AnyContentAvailable()) {
        flavors.PutToClipboard();
        StartPasteKeystroke();
    }
}

void DeleteClipContent(CFStringRef fileName, bool secure)
{
    if (secure) {
        DeleteSecureClip(fileName);
        return;
    }
    FSRef package;
    if (FlavorSet::GetClipPackageRef(fileName, &package) == noErr) {
        FlavorSet::DeleteFiles(&package);
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
    CFDictionaryRef record = clipList->FetchItemAt(index);
    if (record == nullptr) {
        return;
    }

    const bool secure = IsClipFlagSet(record, kClipSecureKey);
    // Set before any content is read: a plain-text clip keeps only its text flavors.
    if (IsClipFlagSet(record, kClipUsePlainTextKey)) {
        flavors.mUsePlainText = true;
    }
    CFStringRef fileName = GetClipString(record, kClipFileNameKey);
    if (fileName != nullptr) {
        if (deleteMode) {
            DeleteClipContent(fileName, secure);
        } else {
            PasteClip(record, fileName, secure, flavors);
        }
    }
    // An exception thrown by the deletion skips this, so the record stays while its content may.
    if (deleteMode) {
        clipList->RemoveItemAt(index);
    }
}
