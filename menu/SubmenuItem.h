// A submenu node of the submenu tree. Its identity is its path taken as a directory URL; its
// title is the last component of that path. It owns the items attached to it.
#pragma once

#include "menu/AbstractMenuItem.h"

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

class SubmenuItem : public AbstractMenuItem {
public:
    SubmenuItem();
    // Releases url and name, disposes of submenuList if it holds data, deletes every item.
    ~SubmenuItem() override;

    Boolean IsSubmenu() const override { return true; }

    // Attaches item at the end of items, creating the array at the first attachment; the node then
    // owns it. Throws memFullErr when the array cannot be made (the item stays the caller's).
    void AppendItem(AbstractMenuItem* item);
    CFIndex GetItemCount() const { return items != nullptr ? CFArrayGetCount(items) : 0; }
    AbstractMenuItem* GetItemAt(CFIndex index) const;

    AEDescList submenuList;    // receives this submenu's records; for the root, the host's list
    CFURLRef url;              // retained; the submenu's path as a directory URL
    CFStringRef name;          // retained; the title ("" for the root)
    CFMutableArrayRef items;   // does not retain its values: AbstractMenuItem pointers owned here
    Boolean appended;          // attached to the parent's items
    SubmenuItem* next;         // the next node in the tree's chain of submenus; not owned
};
