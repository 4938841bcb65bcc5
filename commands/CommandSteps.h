// The commands the dispatcher runs, one function per kind of command. Each gets the command's own
// flavor set; each may throw status codes, which the entry point's barrier catches.
#pragma once

#include "content/FlavorSet.h"
#include "plugin/AbstractCMPlugin.h"

// "Add Selected Text..." and "Add Clipboard Content...": fill the set, ask for the clip's name and
// options, and store the new clip.
void AddSelectedTextCommand(AbstractCMPluginType* instance, AEDesc* context, FlavorSet& flavors);
void AddClipboardContentCommand(AbstractCMPluginType* instance, FlavorSet& flavors);

// "Create New Keychain...", "Unlock Keychain..." and "Lock Keychain".
void RunKeychainCommand(SInt32 commandID);

// A clip's own item pastes it, its Option-key alternate deletes it.
void RunClipCommand(AbstractCMPluginType* instance, SInt32 commandID, FlavorSet& flavors);

// The secure half of the clip commands: the clip's content lives as a secure note in the clip
// keychain. Without a keychain file nothing is read or deleted.
void ReadSecureClip(FlavorSet& flavors, CFStringRef noteName);
// The note's deletion status; noErr when there is no keychain or no such note.
OSStatus DeleteSecureClip(CFStringRef noteName);
// Unlocks the keychain through the password prompt when it is locked; noErr when it is unlocked
// or there is no keychain file.
OSStatus UnlockKeychainForChange();
