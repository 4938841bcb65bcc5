// The writer of a change to the clips folder that must end whole or not at all: adding a package
// together with its record, deleting one together with its record, or adding a secure note to the
// clip keychain together with its record. Before touching the folder the writer leaves an intent
// file (ClipIntentFile.h) that it holds locked while it lives; the package it works on sits in
// "<intent>.work" beside it until the record is saved. A writer that dies drops its lock with its
// descriptors, so the next process to sweep the folder (ClipIntentSweep.h) can tell work abandoned
// by a dead writer from work a live one is doing, and finish or remove it.
#pragma once

#include <Carbon/Carbon.h>

// The platform's lock file, from its public file base.
#include "LockFile.h"

#include <string>

class StClipIntent {
public:
    enum Kind { kAddClip, kDeleteClip, kAddSecureNote };

    StClipIntent() = default;
    // A change not finished is left to the sweeper, which undoes or completes it after reading
    // the stored clip list.
    ~StClipIntent();
    StClipIntent(const StClipIntent&) = delete;
    StClipIntent& operator=(const StClipIntent&) = delete;

    // With the clip-list lock held: creates and locks the intent file and, for an add, the empty
    // work folder that the package is written into.
    OSStatus Begin(Kind kind);
    // The work folder of an add.
    const FSRef* WorkFolder() const { return &mWorkRef; }
    // Flushes every file of the work folder and the folder itself, so the package is on the disk
    // before any record names it.
    OSStatus FlushWork();
    // Add, with the lock held: notes the package name in the intent, then renames the work folder
    // to it without replacing anything. dupFNErr when the name is taken (or reserved),
    // errFSNameTooLong when the volume finds it too long.
    OSStatus MoveWorkTo(const UniChar* units, UniCharCount length);
    // Secure note: notes the note's name in the intent before the note is stored under it.
    OSStatus NameNote(CFStringRef noteName);
    // Delete, with the lock held: notes the package name in the intent, then renames the package
    // to the work folder. fnfErr when there is no such item.
    OSStatus TakePackage(CFStringRef fileName);
    // Delete, with the lock held: the taken package goes back under its name.
    OSStatus PutPackageBack();
    // Removes the work folder with what it holds (the package an add was writing, or the one a
    // delete took).
    OSStatus RemoveWork();
    // Removes the package an add moved into place (its record could not be saved).
    OSStatus RemoveMovedPackage();
    // The change is complete: the intent file goes.
    void Finish();

private:
    bool WriteIntent(const std::string& target);
    std::string WorkPath() const;

    Kind mKind = kAddClip;
    platform::LockFile mLock;  // on the intent file, held while this writer lives
    std::string mFolder;  // the clips folder's path
    std::string mName;    // the intent file's name
    std::string mTarget;  // the package name noted in the intent
    FSRef mWorkRef = {};
    bool mWorkMade = false;
    bool mMoved = false;
};
