// The alerts that tell the user a clip could not be stored, deleted or pasted, or that the stored
// clip list needed care. Each English text is also its key in the localisation table.
#pragma once

#include "plugin/AbstractCMPlugin.h"

#define kSavingErrorText CFSTR("An error occurred while saving the clip.")
#define kDeletingErrorText CFSTR("An error occurred while deleting the clip.")
#define kClipboardErrorText CFSTR("The clip could not be put on the clipboard.")
#define kClipboardPartlyText \
    CFSTR("Some forms of the clip could not be put on the clipboard. The others are pasted; the application may paste less than the clip holds.")
#define kClipUnreadableText \
    CFSTR("The clip could not be read whole, so nothing was pasted. It may have been deleted in another application, or its files damaged.")
#define kListFullText CFSTR("The clip list is full. Delete a clip before adding another.")
#define kTooLargeText CFSTR("The clipboard holds content too large to be kept as a clip.")
#define kTooManyFlavorsText \
    CFSTR("The clipboard holds its content in more forms than a clip can keep (256), so it was not kept.")
#define kSubmenuTooDeepText CFSTR("The submenu is nested too deeply to be shown. Choose a submenu with fewer levels.")
#define kKeychainDamagedText CFSTR("The keychain “Stashwell.keychain” is damaged and cannot be opened.")
#define kSecureClipDamagedText CFSTR("This secure clip is damaged in the keychain and cannot be read:")
#define kListSetAsideText \
    CFSTR("The stored clip list was written by another version of Stashwell and could not be read. It was kept in the preferences under the key below, and a new list was started.")

#define kClipsFolderBusyText \
    CFSTR("Nothing was changed: another application kept your clips busy for too long. Try again in a moment; if it happens again, that application may have stopped. It is:")

// Tells the user that a clip could not be stored or deleted (englishText): when status says the
// clips folder was kept busy by another application, names it instead.
void ShowClipFailure(const AbstractCMPluginType* instanceOrNull, OSStatus status, CFStringRef englishText);

#define kReplaceDamagedKeychainText \
    CFSTR("Keep the damaged file aside and create a new keychain? The secure clips it held cannot be pasted from the new one.")
#define kCreateNewKeychainButton CFSTR("Create New Keychain...")
#define kKeychainNotCreatedText CFSTR("The keychain “Stashwell.keychain” could not be created.")

// Whether status says the keychain file cannot be opened at all (damaged, or of a format this
// version cannot read).
bool IsKeychainDamage(OSStatus status);

// Tells the user of a damaged keychain or a damaged secure clip (named by noteName) when status
// says so; true when it did.
bool TellKeychainDamage(const AbstractCMPluginType* instanceOrNull, OSStatus status, CFStringRef noteName = nullptr);

// A stop or note alert with the host in front. True when the default button was pressed, or when
// the message is empty and nothing was shown.
Boolean DisplayAlert(CFStringRef message, CFStringRef defaultText, CFStringRef cancelText, AlertType alertType);

// A stop alert with the text in the user's language (from the instance's bundle, else from the
// plug-in's registered bundle, else the English text), followed by detail on a line of its own
// when one is given.
void ShowClipAlert(const AbstractCMPluginType* instanceOrNull, CFStringRef englishText, CFStringRef detail = nullptr);
