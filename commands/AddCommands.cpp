// "Add Selected Text..." and "Add Clipboard Content...": the command's flavor set is filled from
// the host's selection or from the clipboard, the user names the clip in the "New Clip" dialog,
// and the clip is stored as a plain clip package or as a secure note.
#include "commands/CommandSteps.h"

#include "commands/ClipCreation.h"
#include "commands/NewClipDialog.h"
#include "menu/ClipMenu.h"
#include "menu/SubmenuTree.h"
#include "plugin/ClipAlerts.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"
#include "support/CMUtilsText.h"
#include "support/CocoaHelper.h"

namespace {

// The levels of submenus a menu path names, counted as the menu counts them: empty components and
// "." name no level.
CFIndex SubmenuDepth(CFStringRef path)
{
    CFIndex depth = 0;
    CFIndex start = 0;
    const CFIndex length = path != nullptr ? CFStringGetLength(path) : 0;
    for (CFIndex index = 0; index <= length; ++index) {
        if (index < length && CFStringGetCharacterAtIndex(path, index) != '/') {
            continue;
        }
        const CFIndex componentLength = index - start;
        if (componentLength > 1 || (componentLength == 1 && CFStringGetCharacterAtIndex(path, start) != '.')) {
            ++depth;
        }
        start = index + 1;
    }
    return depth;
}

void AskAndStore(AbstractCMPluginType* instance, FlavorSet& flavors, CFArrayRef names)
{
    // A full list is told before the user names a clip that could not be kept.
    if (!HasRoomForClip(instance, instance->implData.clipList != nullptr ? instance->implData.clipList->GetCount() : 0)) {
        return;
    }
    Boolean hasText = false;
    Boolean proposedFromContent = false;
    CFObj<CFStringRef> defaultName(flavors.CreateDefaultNameString(hasText, &proposedFromContent));

    CFStringRef chosenSubmenu = nullptr;
    CFStringRef chosenName = nullptr;
    Boolean secure = false;
    Boolean plainText = false;
    const Boolean confirmed = AskForClipName(instance, defaultName.Get(), names, hasText, &chosenSubmenu, &chosenName,
                                             secure, plainText);
    CFObj<CFStringRef> submenu(chosenSubmenu);
    CFObj<CFStringRef> name(chosenName);
    if (!confirmed) {
        return;
    }
    // A clip no menu could show could never be pasted or deleted either.
    if (SubmenuDepth(submenu.Get()) > SubmenuTree::kMaxSubmenuDepth) {
        ShowClipAlert(instance, kSubmenuTooDeepText);
        return;
    }
    // Set before the clip is stored, so only its text flavors are kept; nothing here clears it.
    if (plainText) {
        flavors.mUsePlainText = true;
    }
    if (secure) {
        // A name proposed from the content is the content's beginning, a password itself
        // perhaps: as the name of a secure clip it would be written in clear into the preferences.
        // A fixed proposal ("New Picture Clip") tells nothing of the content, and a name the user
        // typed is theirs to choose: both are kept.
        if (proposedFromContent && name.Get() != nullptr && defaultName.Get() != nullptr &&
            CFEqual(name.Get(), defaultName.Get())) {
            name.Adopt(static_cast<CFStringRef>(CFRetain(kNeutralSecureClipName)));
        }
        AddNewSecureClip(instance, name.Get(), submenu.Get(), flavors);
    } else {
        AddNewClip(instance, name.Get(), submenu.Get(), flavors);
    }
}

}  // namespace

void AddSelectedTextCommand(AbstractCMPluginType* instance, AEDesc* context, FlavorSet& flavors)
{
    CFObj<CFStringRef> text;
    if (context != nullptr) {
        text.Adopt(CMUtils::CreateCFStringFromAEDesc(*context, CMUtils::kLineEndingsUnchanged));
    }
    // A Cocoa host hands over a context without text: its selection is asked for directly.
    if (text.Get() == nullptr) {
        text.Adopt(currentCocoaStringSelection());
    }
    if (text.Get() == nullptr) {
        return;
    }
    flavors.CreateFromCFString(text.Get());
    CFObj<CFMutableArrayRef> names(CreateSubmenuNameList(instance));
    if (names.Get() == nullptr) {
        return;
    }
    AskAndStore(instance, flavors, names.Get());
}

void AddClipboardContentCommand(AbstractCMPluginType* instance, FlavorSet& flavors)
{
    // Whether anything was read is not asked: an empty clipboard still gets its dialog. Content
    // that cannot be kept whole is not kept at all.
    flavors.ReadFromClibpoard();
    if (flavors.mLeftOutTooLarge || flavors.mTooManyFlavors) {
        ShowClipAlert(instance, flavors.mTooManyFlavors ? kTooManyFlavorsText : kTooLargeText);
        return;
    }
    CFObj<CFMutableArrayRef> names(CreateSubmenuNameList(instance));
    if (names.Get() == nullptr) {
        return;
    }
    AskAndStore(instance, flavors, names.Get());
}
