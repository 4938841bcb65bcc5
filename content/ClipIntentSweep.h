// The sweeper of intents that dead writers left in the clips folder (see ClipIntent.h): each one is
// finished or undone by what the stored clip list and the keychain say.
#pragma once

#include <functional>
#include <string>

// What the sweeper needs to know of the stored clip list and the keychain.
struct ClipIntentJudge {
    // Whether a plain clip's record names the package (its name as the disk holds it).
    std::function<bool(const std::string& packageName)> isPackageRecorded;
    // Whether a secure clip's record names the note (its name in UTF-8).
    std::function<bool(const std::string& noteName)> isNoteRecorded;
    // Deletes a note no record names; false when that cannot be done now (the keychain is locked,
    // and no user is there to be asked): the intent then stays for a later sweep.
    std::function<bool(const std::string& noteName)> deleteNote;
};

// With the clip-list lock held: finishes or removes what dead writers left in the clips folder. A
// dead add's package that no record names goes; a dead delete's package goes back when its record
// is still stored, and goes otherwise; a dead secure add's note goes unless a record names it or a
// live writer is storing a note of that name. Intents of live writers are left alone. Answers the
// number of intents and work folders handled.
int SweepAbandonedIntents(const ClipIntentJudge& judge);

// Whether the clips folder holds any intent file at all (a cheap look before the list is read).
bool AnyClipIntentPresent();
