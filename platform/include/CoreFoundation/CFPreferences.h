// Per-user application preferences, one XML property list per application id, shared by every
// process of the user.
//
// Values set by a process stay in that process until CFPreferencesAppSynchronize, which merges them
// into the stored file under a lock (the last writer of a key wins, other keys are kept) and then
// reads the file back, so that values written by other processes become visible.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFPropertyList.h>

#ifdef __cplusplus
extern "C" {
#endif

extern const CFStringRef kCFPreferencesCurrentApplication;
extern const CFStringRef kCFPreferencesCurrentUser;
extern const CFStringRef kCFPreferencesAnyHost;

// The value of the key (+1), NULL when absent.
CFPropertyListRef CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID);
// The value as an integer: a number, or a string holding one. keyExistsAndHasValidFormat receives
// whether such a value was found; 0 when not.
CFIndex CFPreferencesGetAppIntegerValue(CFStringRef key, CFStringRef applicationID,
                                        Boolean* keyExistsAndHasValidFormat);
// Sets (value NULL: removes) the key in this process; reaches the file at the next synchronize.
void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID);
// Writes this process's changes and reads the stored values back. False when the file could not be
// written (the changes are kept for the next attempt).
Boolean CFPreferencesAppSynchronize(CFStringRef applicationID);

#ifdef __cplusplus
}
#endif
