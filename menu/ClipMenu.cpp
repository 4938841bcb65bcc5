#include "menu/ClipMenu.h"

#include "menu/CommandIDs.h"
#include "menu/MenuStrings.h"
#include "plugin/ClipRecord.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"
#include "support/MemoryOwners.h"

#include <algorithm>

namespace {

// The paste item starts a group of dynamic items that its delete item alone joins; neither lets
// the host read menu meta-characters in the clip's name.
constexpr UInt32 kClipItemAttributes = kMenuItemAttrIgnoreMeta | kMenuItemAttrNotPreviousAlternate | kMenuItemAttrDynamic;
constexpr UInt32 kDeleteItemAttributes = kMenuItemAttrIgnoreMeta | kMenuItemAttrDynamic;

bool StartsWithSlash(CFStringRef path)
{
    return CFStringGetLength(path) > 0 && CFStringGetCharacterAtIndex(path, 0) == '/';
}

// A new immutable string (+1) of first followed by second, or NULL. Immutable, so that writing it
// as UTF-16 text later takes its units without another copy.
CFStringRef CreateConcatenation(CFStringRef first, CFStringRef second)
{
    const CFIndex firstLength = CFStringGetLength(first);
    const CFIndex secondLength = CFStringGetLength(second);
    AStdMalloc<UniChar> units;
    units.AllocateAndCopy(nullptr, static_cast<UInt32>(firstLength + secondLength), kMemObjNoClear);
    if (units.Get() == nullptr) {
        return CFStringCreateCopy(kCFAllocatorDefault, CFSTR(""));
    }
    CFStringGetCharacters(first, CFRangeMake(0, firstLength), units.Get());
    CFStringGetCharacters(second, CFRangeMake(0, secondLength), units.Get() + firstLength);
    return CFStringCreateWithCharacters(kCFAllocatorDefault, units.Get(), firstLength + secondLength);
}

CFURLRef CreateSubmenuURL(CFStringRef path)
{
    return CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, true);
}

}  // namespace

void PopulateItemsMenu(AbstractCMPluginType* instance, SubmenuTree& tree, CFStringRef rootPath, Boolean addSeparator)
{
    if (instance == nullptr || instance->implData.clipList == nullptr) {
        return;
    }
    const CFDictArray& clipList = *instance->implData.clipList;
    const bool useCFString = UsesCFStringNames(instance);
    const bool keychainUnlocked = instance->implData.keychainUnlocked != 0;
    CFObj<CFStringRef> prefix(CopyLocalizedMenuString(instance, kDeleteClipPrefixText));
    CFObj<CFURLRef> rootURL(rootPath != nullptr ? CreateSubmenuURL(rootPath) : nullptr);
    if (rootURL.Get() == nullptr) {
        addSeparator = false;
    }

    // From index kMaxListedClips on, a paste id would be the delete id of an earlier clip: those
    // clips stay in the list but get no items, so that a pick can never delete the wrong clip.
    const SInt32 listed = std::min<SInt32>(clipList.GetCount(), kMaxListedClips);
    for (SInt32 index = 0; index < listed; ++index) {
        CFDictionaryRef record = clipList.FetchItemAt(index);
        if (record == nullptr) {
            continue;
        }
        CFStringRef submenu = GetClipString(record, kClipSubmenuKey);
        CFStringRef name = GetClipString(record, kClipNameKey);
        if (IsClipFlagSet(record, kClipSecureKey) && !keychainUnlocked) {
            continue;
        }
        if (name == nullptr) {
            continue;
        }

        // No submenu means the top level of the contextual menu; a path without its leading '/'
        // is taken from the top level too.
        CFStringRef path = submenu != nullptr ? submenu : CFSTR("/");
        CFObj<CFStringRef> rootedPath;
        if (!StartsWithSlash(path)) {
            rootedPath.Adopt(CreateConcatenation(CFSTR("/"), path));
            if (rootedPath.Get() != nullptr) {
                path = rootedPath.Get();
            }
        }

        // The separator goes before the first clip that lands in the root submenu, however its
        // record spells the path ("/Stashwell/", "/Stashwell//."): the same submenu, so the same
        // place. The submenu is the one the clip's items go to next, so asking for it first
        // changes nothing in the menu.
        if (addSeparator) {
            SubmenuItem* submenuNode = tree.FindOrAddSubmenuForPath(path);
            if (submenuNode != nullptr && submenuNode == tree.FindSubmenu(rootURL.Get())) {
                tree.AddMenuItem(path, kSeparatorText, 0, useCFString, 0, 0);
                addSeparator = false;
            }
        }
        tree.AddMenuItem(path, name, kCmdPasteClipBase + index, useCFString, kClipItemAttributes, 0);
        if (prefix.Get() != nullptr) {
            CFObj<CFStringRef> deleteName(CreateConcatenation(prefix.Get(), name));
            if (deleteName.Get() != nullptr) {
                tree.AddMenuItem(path, deleteName.Get(), kCmdDeleteClipBase + index, useCFString,
                                 kDeleteItemAttributes, kMenuOptionModifier);
            }
        }
    }
}

CFMutableArrayRef CreateSubmenuNameList(const AbstractCMPluginType* instance)
{
    CFObj<CFMutableArrayRef> names(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks));
    if (names.Get() == nullptr || instance == nullptr) {
        return names.HandOut();
    }
    // The paths already listed, for the duplicate test: looking each path up in the list itself
    // would make the whole walk grow with the square of the number of submenus.
    CFObj<CFMutableDictionaryRef> seen(
        CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, nullptr));
    if (seen.Get() == nullptr) {
        throw static_cast<SInt32>(memFullErr);
    }
    CFObj<CFStringRef> rootPath(CopyLocalizedMenuString(instance, kRootMenuPathText));
    if (rootPath.Get() != nullptr) {
        CFArrayAppendValue(names.Get(), rootPath.Get());
        CFDictionarySetValue(seen.Get(), rootPath.Get(), rootPath.Get());
    }

    const CFDictArray* clipList = instance->implData.clipList;
    SInt32 count = clipList != nullptr ? clipList->GetCount() : 0;
    for (SInt32 index = 0; index < count; ++index) {
        CFDictionaryRef record = clipList->FetchItemAt(index);
        CFStringRef submenu = record != nullptr ? GetClipString(record, kClipSubmenuKey) : nullptr;
        if (submenu == nullptr || CFStringGetLength(submenu) == 0) {
            continue;
        }
        CFObj<CFStringRef> rootedPath;
        CFStringRef path = submenu;
        if (!StartsWithSlash(submenu)) {
            rootedPath.Adopt(CreateConcatenation(CFSTR("/"), submenu));
            if (rootedPath.Get() != nullptr) {
                path = rootedPath.Get();
            }
        }
        if (!CFDictionaryContainsKey(seen.Get(), path)) {
            CFArrayAppendValue(names.Get(), path);
            CFDictionarySetValue(seen.Get(), path, path);
        }
    }
    return names.HandOut();
}

Boolean FindSubmenu(CFArrayRef array, CFStringRef name)
{
    if (array == nullptr || name == nullptr) {
        return false;
    }
    CFIndex count = CFArrayGetCount(array);
    for (CFIndex index = 0; index < count; ++index) {
        CFTypeRef value = CFArrayGetValueAtIndex(array, index);
        if (value != nullptr && CFGetTypeID(value) == CFStringGetTypeID() && CFEqual(value, name)) {
            return true;
        }
    }
    return false;
}
