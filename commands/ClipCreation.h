// Storing a new clip once the user has confirmed the "New Clip" dialog: a plain clip becomes a
// clip package in the clips folder, a secure clip a secure note in the clip keychain. Both append
// the clip's record to the instance's clip list.
#pragma once

#include "content/FlavorSet.h"
#include "plugin/AbstractCMPlugin.h"

#include <Carbon/Carbon.h>

// A plain clip: a uniquely named package with one file per flavor, then the record. A failure is
// shown to the user with the saving-error alert and adds no record.
void AddNewClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors);

// A secure clip: the clip keychain is created first when its file does not exist; the content is
// stored as a secure note. Fails quietly.
void AddNewSecureClip(AbstractCMPluginType* instance, CFStringRef name, CFStringRef submenu, FlavorSet& flavors);

// Creates the package folder for name (NULL: "Untitled") in the clips folder, adding a two-digit
// suffix when the name is taken. On noErr, *fileName is the folder's name as created (+1).
OSStatus CreateClipPackage(CFStringRef name, FSRef* packageRef, CFStringRef* fileName);

// Makes a folder name of the units in place: control characters become blanks, colons hyphens.
void NormalizeFilename(UniCharCount length, UniChar* units);

// A stop or note alert with the host in front. True when the default button was pressed, or when
// the message is empty and nothing was shown.
Boolean DisplayAlert(CFStringRef message, CFStringRef defaultText, CFStringRef cancelText, AlertType alertType);
