// Storing a new clip once the user has confirmed the "New Clip" dialog: a plain clip becomes a
// clip package in the clips folder, a secure clip a secure note in the clip keychain. Both append
// the clip's record to the instance's clip list.
#pragma once

#include "content/FlavorSet.h"
#include "plugin/AbstractCMPlugin.h"

#include <Carbon/Carbon.h>

class StClipIntent;

// A plain clip: a uniquely named package with one file per flavor, then the record, saved at once.
// A failure is shown to the user with an alert and leaves neither package nor record.
void AddNewClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors);

// The name a secure clip gets instead of the one proposed from its content; numbered like any
// name taken, it names the clip's note and its menu item alike.
#define kNeutralSecureClipName CFSTR("Secure Clip")

// A secure clip: the clip keychain is created first when its file does not exist; the content is
// stored as a secure note, and the record saved at once. A record that cannot be saved takes its
// note away again and is shown with the saving-error alert.
void AddNewSecureClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors);

// Creates the package folder for name (NULL: "Untitled") in the clips folder, adding a two-digit
// suffix when the name is taken. On noErr, *fileName is the folder's name as created (+1).
OSStatus CreateClipPackage(CFStringRef name, FSRef* packageRef, CFStringRef* fileName);

// Gives the package an add is writing its name in the clips folder: the clip's name (NULL:
// "Untitled") made a folder name, with a two-digit suffix when taken, as CreateClipPackage does.
// With the clip-list lock held. On noErr, *fileName is the name it got (+1).
OSStatus MovePackageIntoPlace(CFStringRef name, StClipIntent& intent, CFStringRef* fileName);

// Whether the list has room for one more clip that the menu can show; tells the user when not.
bool HasRoomForClip(const AbstractCMPluginType* instance, CFIndex storedCount);

// Makes a folder name of the units in place: control characters become blanks, colons hyphens.
void NormalizeFilename(UniCharCount length, UniChar* units);
