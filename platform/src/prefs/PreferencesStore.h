// The preferences of this process: for each preferences file, the values last read from it and
// the changes this process has made since its last synchronize, and what it has told the user of
// them. Private to the platform (the CFPreferences functions are built on it); tests include it for
// the two hooks at the end.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <string>

namespace platform::prefs {

// The current value of the key (+1): this process's pending change if it has one, else the value
// last read. NULL when absent, or for a NULL key or an unusable application id.
CFPropertyListRef CopyPreferenceValue(CFStringRef key, CFStringRef applicationID);
// Records a change (value NULL: a removal). A value that is not a property list XML can carry is
// ignored, so that it can never make a later synchronize fail. The value is copied: later changes
// to a mutable value by the caller do not reach the preferences.
void SetPreferenceValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID);
// Merges the pending changes into the file (when there are any) and reads it back. False when the
// file could not be read or written, and the reason is told as a warning (each reason once per
// process); pending changes are then dropped, so that none of them is written later over what
// other processes stored meanwhile.
bool SynchronizePreferences(CFStringRef applicationID);

// Tells the user of something about the preferences as a warning, once per process: a failure met
// again at the next synchronize is not news.
void TellOnce(std::string line);

// Forgets every value read, every pending change and every failure told, as if the process had
// just started.
void ResetPreferencesForTesting();

// Makes the next preferences write fail at one stage: 1 creating the temporary file, 2 writing it,
// 3 flushing it, 4 renaming it over the stored file.
void FailNextPreferencesWriteForTesting(int stage);

}  // namespace platform::prefs
