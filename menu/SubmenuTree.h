// Collects the commands of one menu, each under a '/'-separated menu path, makes every submenu a
// path needs, and writes the whole tree into the host's command list as nested records.
//
// Within every submenu, items keep the order in which they were attached: a command when it is
// added, a submenu when the first command of its own or of any submenu below it is added. Nothing
// is sorted. A submenu's identity is its path taken as a directory, so "/A//B/" and "/A/./B" name
// the submenu B in A; ".." is an ordinary name here, never a step up. "/" is the top level of the
// contextual menu: the host's list itself.
#pragma once

#include "menu/SubmenuItem.h"

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

class SubmenuTree {
public:
    // Submenus nest at most this deep below the top level; a deeper path gets no submenu, so its
    // commands are refused. Each level is a nested record for the host and a level of recursion
    // here, and no menu that deep could be used anyway.
    enum { kMaxSubmenuDepth = 64 };

    // commandList may be NULL; the tree then writes nothing. The list stays the caller's.
    explicit SubmenuTree(AEDescList* commandList);
    // Deletes every node and item; the host's list keeps the records written into it.
    virtual ~SubmenuTree();
    SubmenuTree(const SubmenuTree&) = delete;
    SubmenuTree& operator=(const SubmenuTree&) = delete;

    // The node with that URL, or NULL (also for a NULL URL).
    SubmenuItem* FindSubmenu(CFURLRef url) const;
    // The node with that URL, made and attached (with any missing ancestors) when new; NULL for a
    // NULL URL, a path nested too deep, or a node whose list cannot be made.
    SubmenuItem* FindOrAddSubmenu(CFURLRef url);
    // Attaches the node to its parent, making the parent first if needed. Nothing happens for the
    // root or a node already attached.
    void AppendSubmenu(SubmenuItem* node);
    // Adds a command at the end of the submenu of path. paramErr, and nothing added, when no
    // submenu can be had for the path or the name is NULL.
    OSStatus AddMenuItem(CFStringRef path, CFStringRef name, SInt32 commandID, Boolean useCFString, UInt32 attributes,
                         UInt32 modifiers);
    // Writes the whole tree into the host's list.
    void BuildSubmenuTree();
    // Writes the records of node's items into node's list, each submenu's own list first.
    void AddSubmenusToAEList(SubmenuItem* node);

    // The node for a path (made if needed), as AddMenuItem finds it; NULL as FindOrAddSubmenu.
    SubmenuItem* FindOrAddSubmenuForPath(CFStringRef path);

    // The top level of the menu (borrowed).
    SubmenuItem* GetRoot() const { return root; }

private:
    SubmenuItem* submenus;  // newest first, through next; every node but the root; owns nothing
    SubmenuItem* root;      // owned; path "/", empty title, the host's list as its list
    // The same nodes by URL, so that finding a submenu costs the same however many there are.
    // Neither keys nor values are retained: each node holds its own URL.
    CFMutableDictionaryRef submenusByURL;
    // The node each path string given to AddMenuItem came to, so that the many commands added
    // under one path make its URL only once. Keys are copied; values are the tree's own nodes.
    CFMutableDictionaryRef submenusByPath;
};
