// Menu records as the host reads them, written out by hand for tests of what the user sees.
#pragma once

#include "manager/MenuItem.h"

#include <string>
#include <utility>
#include <vector>

namespace hosttest {

inline cmhost::MenuItem Command(const std::string& name, SInt32 command, SInt32 attributes = 0, SInt32 modifiers = 0)
{
    cmhost::MenuItem item;
    item.name = name;
    item.nameType = typeCFStringRef;
    item.command = command;
    if (attributes != 0)
        item.attributes = attributes;
    if (modifiers != 0)
        item.modifiers = modifiers;
    return item;
}

inline cmhost::MenuItem Submenu(const std::string& name, std::vector<cmhost::MenuItem> items)
{
    cmhost::MenuItem item;
    item.name = name;
    item.nameType = typeUnicodeText;
    item.isSubmenu = true;
    item.submenu = std::move(items);
    return item;
}

// The pair a stored clip gives: the main item that starts its own group, and the alternate that
// stands in for it while Option is held.
constexpr SInt32 kMainAttributes = kMenuItemAttrIgnoreMeta | kMenuItemAttrNotPreviousAlternate | kMenuItemAttrDynamic;
constexpr SInt32 kAlternateAttributes = kMenuItemAttrIgnoreMeta | kMenuItemAttrDynamic;

inline void AddClip(std::vector<cmhost::MenuItem>& items, const std::string& name, SInt32 index)
{
    items.push_back(Command(name, 200 + index, kMainAttributes));
    items.push_back(Command("- " + name, 2200 + index, kAlternateAttributes, kMenuOptionModifier));
}

// The root submenu of a plug-in menu with one clip at its top and two more in a submenu, and a
// command of another plug-in after it.
inline std::vector<cmhost::MenuItem> ClipMenu()
{
    std::vector<cmhost::MenuItem> work;
    AddClip(work, "Address", 1);
    AddClip(work, "Sign-off", 2);
    std::vector<cmhost::MenuItem> root = {Command("Add Selected Text...", 100), Command("Create New Keychain...", 125),
                                          Submenu("Work", std::move(work)), Command("-", 0)};
    AddClip(root, "Greeting", 0);
    return {Submenu("Stashwell", std::move(root)), Command("Other plug-in", 7)};
}

}  // namespace hosttest
