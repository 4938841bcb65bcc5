// The plug-in's handle on the clip keychain, the file "Stashwell.keychain" in the clips folder that
// holds the secure clips as secure notes. An object is short-lived: each user action builds the
// path, makes one object on it, does its work and deletes it; nothing about the keychain is kept
// between menus, since every application the user right-clicks in shares the one file.
//
// Statuses: noErr, paramErr for a required argument that is missing, errSecInvalidKeychain when
// the object holds no keychain, otherwise whatever the keychain services answer. The password
// dialogs are the keychain services' own; the plug-in never sees a password.
#pragma once

#include "support/CFObj.h"

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Security/Security.h>

#include <cstdlib>

class ClipKeychain {
public:
    // With a path (UTF-8), opens the keychain there; the file is not looked at, so callers check
    // that it exists first. With NULL the object holds no keychain until CreateNewKeychain.
    explicit ClipKeychain(const char* path);
    virtual ~ClipKeychain();

    ClipKeychain(const ClipKeychain&) = delete;
    ClipKeychain& operator=(const ClipKeychain&) = delete;

    // Creates the keychain file at path, the password asked of the user, and holds it from then
    // on (whatever was held before is let go). The new keychain locks on sleep, never by time.
    OSStatus CreateNewKeychain(const char* path);
    // The same, except that a keychain another process made at path since the caller looked is
    // held instead of refused (errSecDuplicateKeychain): every application shares the one file,
    // so two first secure clips added at once both end up in it. *created tells which happened;
    // the keychain found is asked for its own password when it is next used.
    OSStatus CreateOrOpenKeychain(const char* path, bool* created);
    // Locks the keychain that many seconds after each unlock; 0x7FFFFFFF turns that off.
    OSStatus SetLockInterval(UInt32 seconds);
    // The keychain's status bits (kSecUnlockStateStatus: unlocked), 0 when they cannot be read.
    UInt32 GetStatus();
    OSStatus Lock();
    // Unlocks through the keychain services' own password prompt.
    OSStatus Unlock();

    // The existing keychain file named fileName (NULL: "Stashwell.keychain") in folder; nothing is
    // created. The lookup's status (fnfErr when there is no such file).
    static OSStatus GetStashwellKeychainFileRef(CFStringRef fileName, const FSRef* folder, FSRef* file);
    // The keychain file's full path (UTF-8, NUL-terminated; the caller frees it with free), made
    // in the clips folder, which is created when it is missing. *exists (when given) tells whether
    // the file is there; when it is not, the path names where it is to be created. NULL when not
    // even the clips folder can be had.
    static char* CreateStashwellKeychainPath(CFStringRef fileName, Boolean* exists);

    // Secure notes: generic-password items of the keychain, named by their service attribute.
    //
    // The first note of that name (+1, the caller releases it), or NULL.
    SecKeychainItemRef FindSecureNote(CFStringRef noteName);
    // The whole data of the note of that name, to be given back with FreeSecureNoteData, and its
    // length in *length; NULL (length untouched) when there is no keychain, no name or no note.
    void* ReadSecureNote(CFStringRef noteName, UInt32& length);
    static OSStatus FreeSecureNoteData(void* data);
    // errSecItemNotFound for a NULL name or a name with no note.
    OSStatus DeleteSecureNote(CFStringRef noteName);
    // Stores length bytes under noteName (NULL: "Stashwell Secure Note"). A note of the same name
    // is not replaced: the keychain answers errSecDuplicateItem.
    OSStatus AddSecureNote(CFStringRef noteName, const void* data, UInt32 length);
    // Stores a string (as its UTF-8 bytes) or a data object; NULL or any other type stores nothing
    // and answers noErr.
    OSStatus AddSecureNote(CFStringRef noteName, CFTypeRef content);

    // Why the last FindSecureNote or ReadSecureNote gave nothing: errSecItemNotFound, the
    // keychain's status for a damaged file (errSecInvalidKeychain) or a damaged note
    // (errSecDecode), userCanceledErr, ...; noErr after one that gave something.
    OSStatus GetLastReadStatus() const { return mLastReadStatus; }

private:
    CFObj<SecKeychainRef> mKeychain;  // owned; NULL when no keychain is held
    OSStatus mLastReadStatus = noErr;
};

// The keychain file's path as CreateStashwellKeychainPath makes it, freed on every way out.
class StKeychainPath {
public:
    StKeychainPath() : mPath(ClipKeychain::CreateStashwellKeychainPath(nullptr, &mExists)) {}
    ~StKeychainPath() { std::free(mPath); }
    StKeychainPath(const StKeychainPath&) = delete;
    StKeychainPath& operator=(const StKeychainPath&) = delete;

    // NULL when there is no clips folder.
    const char* Get() const { return mPath; }
    // There is a path and the keychain file is there.
    bool FileExists() const { return mPath != nullptr && mExists; }
    // There is a path and no keychain file yet.
    bool FileMissing() const { return mPath != nullptr && !mExists; }

private:
    Boolean mExists = false;
    char* mPath;
};

// While it lives, no keychain call of this process asks the user for a password: one that would
// answers errSecInteractionNotAllowed. Held with a lock that other applications' menus wait on.
class StNoKeychainPrompts {
public:
    StNoKeychainPrompts()
    {
        SecKeychainGetUserInteractionAllowed(&mWasAllowed);
        SecKeychainSetUserInteractionAllowed(false);
    }
    ~StNoKeychainPrompts() { SecKeychainSetUserInteractionAllowed(mWasAllowed); }
    StNoKeychainPrompts(const StNoKeychainPrompts&) = delete;
    StNoKeychainPrompts& operator=(const StNoKeychainPrompts&) = delete;

private:
    Boolean mWasAllowed = true;
};
