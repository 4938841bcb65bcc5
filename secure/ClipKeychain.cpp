// Opening, creating, locking and unlocking the clip keychain, and its settings and lock state.
#include "secure/ClipKeychain.h"

namespace {

// The interval that means "never by time".
constexpr UInt32 kNoLockInterval = 0x7FFFFFFF;

}  // namespace

ClipKeychain::ClipKeychain(const char* path)
{
    if (path == nullptr) {
        return;
    }
    // Opening only names the file; a missing or damaged one shows in the calls that follow.
    SecKeychainRef keychain = nullptr;
    if (SecKeychainOpen(path, &keychain) == noErr) {
        mKeychain.Adopt(keychain);
    }
}

ClipKeychain::~ClipKeychain() = default;

OSStatus ClipKeychain::CreateNewKeychain(const char* path)
{
    if (path == nullptr) {
        return paramErr;
    }
    mKeychain.Adopt(nullptr);
    // The keychain services ask the user for the new keychain's password.
    SecKeychainRef keychain = nullptr;
    OSStatus status = SecKeychainCreate(path, 0, nullptr, true, nullptr, &keychain);
    if (status != noErr) {
        return status;
    }
    mKeychain.Adopt(keychain);
    // A clip keychain locks when the computer sleeps and never by elapsed time. The file exists
    // either way, so a failure here does not undo the creation.
    const SecKeychainSettings settings = {SEC_KEYCHAIN_SETTINGS_VERS1, true, false, kNoLockInterval};
    SecKeychainSetSettings(mKeychain, &settings);
    return noErr;
}

OSStatus ClipKeychain::CreateOrOpenKeychain(const char* path, bool* created)
{
    if (created != nullptr) {
        *created = false;
    }
    OSStatus status = CreateNewKeychain(path);
    if (status != errSecDuplicateKeychain) {
        if (status == noErr && created != nullptr) {
            *created = true;
        }
        return status;
    }
    // The keychain services never replace a keychain file; the one there keeps its own password
    // and settings, and the password typed for the new one goes unused.
    SecKeychainRef keychain = nullptr;
    status = SecKeychainOpen(path, &keychain);
    if (status == noErr) {
        mKeychain.Adopt(keychain);
    }
    return status;
}

OSStatus ClipKeychain::SetLockInterval(UInt32 seconds)
{
    if (mKeychain.Get() == nullptr) {
        return errSecInvalidKeychain;
    }
    SecKeychainSettings settings = {};
    OSStatus status = SecKeychainCopySettings(mKeychain, &settings);
    if (status != noErr) {
        return status;
    }
    settings.useLockInterval = seconds != kNoLockInterval;
    settings.lockInterval = seconds;
    return SecKeychainSetSettings(mKeychain, &settings);
}

UInt32 ClipKeychain::GetStatus()
{
    if (mKeychain.Get() == nullptr) {
        return 0;
    }
    SecKeychainStatus status = 0;
    if (SecKeychainGetStatus(mKeychain, &status) != noErr) {
        return 0;
    }
    return status;
}

OSStatus ClipKeychain::Lock()
{
    if (mKeychain.Get() == nullptr) {
        return errSecInvalidKeychain;
    }
    return SecKeychainLock(mKeychain);
}

OSStatus ClipKeychain::Unlock()
{
    if (mKeychain.Get() == nullptr) {
        return errSecInvalidKeychain;
    }
    return SecKeychainUnlock(mKeychain, 0, nullptr, false);
}
