// The keychain commands and the secure half of the clip commands. Each builds the keychain path
// anew and works on one short-lived keychain object. The keychain services show their own password
// dialogs; the only message shown here is that the keychain or a note in it is damaged, which the
// user could not tell from a refused password otherwise.
#include "commands/CommandSteps.h"

#include "commands/ClipCreation.h"
#include "menu/CommandIDs.h"
#include "plugin/ClipAlerts.h"
#include "secure/ClipKeychain.h"
#include "support/CFObj.h"

#include "AtomicFileWriter.h"
#include "TimeStamp.h"

#include <fcntl.h>

#include <cstdio>
#include <string>

namespace {

// Creates the keychain where none is, or unlocks the one another application made meanwhile.
OSStatus CreateKeychainAt(const char* path)
{
    ClipKeychain keychain(nullptr);
    bool created = false;
    OSStatus status = keychain.CreateOrOpenKeychain(path, &created);
    // Made by another application while the user typed the new password: the keychain there is
    // the one to use, unlocked with its own password.
    if (status == noErr && !created && (keychain.GetStatus() & kSecUnlockStateStatus) == 0) {
        status = keychain.Unlock();
    }
    return status;
}

// A keychain that cannot be opened would leave the menu no way on: told, and when the user agrees
// the file is kept aside as "<file>.damaged-<UTC time>" (never rewritten nor deleted, so nothing in
// it is lost) and a new keychain is created in its place.
OSStatus OfferNewKeychain(const char* path)
{
    CFObj<CFMutableStringRef> message(CFStringCreateMutableCopy(kCFAllocatorDefault, 0, kKeychainDamagedText));
    if (message.Get() == nullptr) {
        return memFullErr;
    }
    CFStringAppend(message, CFSTR("\n"));
    CFStringAppend(message, kReplaceDamagedKeychainText);
    if (!DisplayAlert(message.Get(), kCreateNewKeychainButton, CFSTR("Cancel"), kAlertStopAlert)) {
        return userCanceledErr;
    }
    const std::string aside = std::string(path) + ".damaged-" + platform::UTCStamp();
    if (!platform::RenameNoReplace(AT_FDCWD, path, AT_FDCWD, aside).Ok()) {
        return ioErr;
    }
    return CreateKeychainAt(path);
}

}  // namespace

void RunKeychainCommand(SInt32 commandID)
{
    StKeychainPath path;
    OSStatus status = noErr;
    switch (commandID) {
    case kCmdUnlockKeychain:
        if (path.FileExists()) {
            status = ClipKeychain(path.Get()).Unlock();
            if (IsKeychainDamage(status)) {
                status = OfferNewKeychain(path.Get());
                if (status != noErr && status != userCanceledErr && !TellKeychainDamage(nullptr, status)) {
                    ShowClipAlert(nullptr, kSavingErrorText);
                }
                return;
            }
        }
        break;
    case kCmdLockKeychain:
        if (path.FileExists()) {
            status = ClipKeychain(path.Get()).Lock();
        }
        break;
    case kCmdCreateKeychain:
        // Never over an existing file: a second "Create" from a menu opened before the first one
        // finished must not touch the keychain that already holds clips.
        if (path.FileMissing()) {
            status = CreateKeychainAt(path.Get());
            if (status != noErr && status != userCanceledErr && !IsKeychainDamage(status)) {
                ShowClipAlert(nullptr, kKeychainNotCreatedText);
                return;
            }
        }
        break;
    default:
        break;
    }
    // A damaged keychain would otherwise look merely locked, refusing every password in silence.
    TellKeychainDamage(nullptr, status);
}

void ReadSecureClip(FlavorSet& flavors, CFStringRef noteName)
{
    StKeychainPath path;
    if (!path.FileExists()) {
        return;
    }
    ClipKeychain keychain(path.Get());
    flavors.ReadFromKeychain(noteName, &keychain);
    TellKeychainDamage(nullptr, keychain.GetLastReadStatus(), noteName);
}

OSStatus DeleteSecureClip(CFStringRef noteName)
{
    StKeychainPath path;
    if (!path.FileExists()) {
        return noErr;
    }
    const OSStatus status = ClipKeychain(path.Get()).DeleteSecureNote(noteName);
    // A note that is gone already is what was wanted.
    return status == errSecItemNotFound ? noErr : status;
}

OSStatus UnlockKeychainForChange()
{
    StKeychainPath path;
    if (!path.FileExists()) {
        return noErr;
    }
    ClipKeychain keychain(path.Get());
    if ((keychain.GetStatus() & kSecUnlockStateStatus) != 0) {
        return noErr;
    }
    return keychain.Unlock();
}
