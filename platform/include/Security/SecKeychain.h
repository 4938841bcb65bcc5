// Keychains: opening and creating a keychain file, its settings record, its lock state.
#pragma once

#include <Security/SecBase.h>

#ifdef __cplusplus
extern "C" {
#endif

// The bits of a keychain's status.
typedef UInt32 SecKeychainStatus;
enum {
    kSecUnlockStateStatus = 1,  // unlocked: this process can read and change items without a prompt
    kSecReadPermStatus = 2,     // the file's permissions let the user read it
    kSecWritePermStatus = 4     // the file's permissions let the user change it
};

#define SEC_KEYCHAIN_SETTINGS_VERS1 1

// A keychain's settings. lockOnSleep is kept for whoever honours it (nothing on this system puts
// keychains to sleep); with useLockInterval, an unlocked keychain locks itself lockInterval
// seconds after it was unlocked.
typedef struct SecKeychainSettings {
    UInt32 version;
    Boolean lockOnSleep;
    Boolean useLockInterval;
    UInt32 lockInterval;
} SecKeychainSettings;

CFTypeID SecKeychainGetTypeID(void);

// A reference (+1) to the keychain file at pathName (a relative path is taken from the current
// folder). The file is not looked at: a missing file shows in later calls (errSecNoSuchKeychain).
OSStatus SecKeychainOpen(const char* pathName, SecKeychainRef* keychain);

// Creates a keychain file at pathName, which must not exist yet (errSecDuplicateKeychain), and
// hands out a reference (+1) to it, unlocked. With promptUser the password comes from the
// process's password source (see <PlatformPasswords.h>): userCanceledErr when the user cancels,
// errSecInteractionNotAllowed when there is no source; otherwise it is the passwordLength bytes
// at password. initialAccess (may be NULL) is accepted and not stored: access is kept per item.
OSStatus SecKeychainCreate(const char* pathName, UInt32 passwordLength, const void* password, Boolean promptUser,
                           SecAccessRef initialAccess, SecKeychainRef* keychain);

// Reads the settings record; every field is filled (version SEC_KEYCHAIN_SETTINGS_VERS1) whatever
// the caller's record held. The file need not be unlocked.
OSStatus SecKeychainCopySettings(SecKeychainRef keychain, SecKeychainSettings* outSettings);
// Writes the settings record (version must be SEC_KEYCHAIN_SETTINGS_VERS1). Asks to unlock a
// locked keychain first. An unlocked keychain's lock interval takes effect from now.
OSStatus SecKeychainSetSettings(SecKeychainRef keychain, const SecKeychainSettings* newSettings);

// The status bits above. errSecNoSuchKeychain when the file is missing, errSecInvalidKeychain
// when it is damaged.
OSStatus SecKeychainGetStatus(SecKeychainRef keychain, SecKeychainStatus* keychainStatus);

// Locks the keychain for every process of the user (noErr when it was not unlocked).
OSStatus SecKeychainLock(SecKeychainRef keychain);

// Unlocks the keychain for every process of the user. With usePassword, the passwordLength bytes at
// password are tried once (errSecAuthFailed when wrong). Without it the password source is asked,
// up to three attempts; an unlocked keychain is not asked about at all.
OSStatus SecKeychainUnlock(SecKeychainRef keychain, UInt32 passwordLength, const void* password,
                           Boolean usePassword);

// Whether the keychain calls of this process may ask the user for a password (true at start).
// While it is false, a call that would ask answers errSecInteractionNotAllowed instead, so that a
// caller holding a lock that other applications wait on never waits on the user.
OSStatus SecKeychainSetUserInteractionAllowed(Boolean state);
OSStatus SecKeychainGetUserInteractionAllowed(Boolean* state);

#ifdef __cplusplus
}
#endif
