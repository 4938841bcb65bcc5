#include "menu/SubmenuTree.h"

#include "menu/CommandMenuItem.h"
#include "support/CFObj.h"
#include "support/CMUtilsRecords.h"
#include "support/MemoryOwners.h"

namespace {

Boolean URLKeyEqual(const void* first, const void* second)
{
    return CFEqual(first, second);
}

CFHashCode URLKeyHash(const void* value)
{
    return CFHash(value);
}

const CFDictionaryKeyCallBacks kURLKeyCallBacks = {0, nullptr, nullptr, nullptr, &URLKeyEqual, &URLKeyHash};

// The number of components of the URL's path ("/" has none).
CFIndex CountPathComponents(CFURLRef url)
{
    CFObj<CFStringRef> path(CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle));
    if (path.Get() == nullptr) {
        return 0;
    }
    CFIndex length = CFStringGetLength(path.Get());
    CFIndex components = 0;
    UniChar previous = '/';
    for (CFIndex index = 0; index < length; ++index) {
        UniChar unit = CFStringGetCharacterAtIndex(path.Get(), index);
        if (unit != '/' && previous == '/') {
            ++components;
        }
        previous = unit;
    }
    return components;
}

}  // namespace

SubmenuTree::SubmenuTree(AEDescList* commandList)
    : submenus(nullptr), root(nullptr), submenusByURL(nullptr), submenusByPath(nullptr)
{
    AStdNew<SubmenuItem> newRoot(new SubmenuItem);
    newRoot->name = static_cast<CFStringRef>(CFRetain(CFSTR("")));
    newRoot->url = CFURLCreateWithFileSystemPath(kCFAllocatorDefault, CFSTR("/"), kCFURLPOSIXPathStyle, true);
    CFObj<CFMutableDictionaryRef> byURL(CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kURLKeyCallBacks, nullptr));
    CFObj<CFMutableDictionaryRef> byPath(
        CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFCopyStringDictionaryKeyCallBacks, nullptr));
    if (newRoot->url == nullptr || byURL.Get() == nullptr || byPath.Get() == nullptr) {
        throw static_cast<SInt32>(memFullErr);
    }
    if (commandList != nullptr) {
        // The same list, not a copy: records added to the root land in the host's list.
        newRoot->submenuList = *commandList;
    }
    root = newRoot.HandOut();
    submenusByURL = byURL.HandOut();
    submenusByPath = byPath.HandOut();
}

SubmenuTree::~SubmenuTree()
{
    // The host's list is not the tree's to dispose of.
    root->submenuList.descriptorType = typeNull;
    root->submenuList.dataHandle = nullptr;
    // A node that never found its parent (its parent's list could not be made) is owned by no one
    // else. The chain is not needed any more, so it is relinked to hold those nodes only, before
    // any is deleted: deleting one deletes the attached nodes below it, which may sit further
    // along the chain. No such node sits below another one.
    SubmenuItem* orphans = nullptr;
    for (SubmenuItem* node = submenus; node != nullptr;) {
        SubmenuItem* following = node->next;
        if (!node->appended) {
            node->next = orphans;
            orphans = node;
        }
        node = following;
    }
    while (orphans != nullptr) {
        SubmenuItem* following = orphans->next;
        delete orphans;
        orphans = following;
    }
    delete root;
    CFRelease(submenusByPath);
    CFRelease(submenusByURL);
}

SubmenuItem* SubmenuTree::FindSubmenu(CFURLRef url) const
{
    if (url == nullptr) {
        return nullptr;
    }
    if (CFEqual(root->url, url)) {
        return root;
    }
    return static_cast<SubmenuItem*>(const_cast<void*>(CFDictionaryGetValue(submenusByURL, url)));
}

SubmenuItem* SubmenuTree::FindOrAddSubmenu(CFURLRef url)
{
    if (url == nullptr) {
        return nullptr;
    }
    if (SubmenuItem* found = FindSubmenu(url)) {
        return found;
    }
    if (CountPathComponents(url) > kMaxSubmenuDepth) {
        return nullptr;
    }
    AStdNew<SubmenuItem> node(new SubmenuItem);
    node->url = static_cast<CFURLRef>(CFRetain(url));
    if (AECreateList(nullptr, 0, false, &node->submenuList) != noErr) {
        return nullptr;
    }
    node->name = CFURLCopyLastPathComponent(url);
    if (node->name == nullptr) {
        throw static_cast<SInt32>(memFullErr);
    }
    CFDictionarySetValue(submenusByURL, node->url, node.Get());
    node->next = submenus;
    SubmenuItem* added = node.HandOut();
    submenus = added;
    // Attaching may make the ancestors, which then stand before this node in the chain.
    AppendSubmenu(added);
    return added;
}

void SubmenuTree::AppendSubmenu(SubmenuItem* node)
{
    if (node == nullptr || node->appended || CFEqual(node->url, root->url)) {
        return;
    }
    CFObj<CFURLRef> parentURL(CFURLCreateCopyDeletingLastPathComponent(kCFAllocatorDefault, node->url));
    if (parentURL.Get() == nullptr) {
        return;
    }
    if (SubmenuItem* parent = FindOrAddSubmenu(parentURL.Get())) {
        parent->AppendItem(node);
        node->appended = true;
        AppendSubmenu(parent);
    }
}

OSStatus SubmenuTree::AddMenuItem(CFStringRef path, CFStringRef name, SInt32 commandID, Boolean useCFString,
                                  UInt32 attributes, UInt32 modifiers)
{
    if (path == nullptr || name == nullptr) {
        return paramErr;
    }
    SubmenuItem* node = FindOrAddSubmenuForPath(path);
    if (node == nullptr) {
        return paramErr;
    }
    AStdNew<CommandMenuItem> item(new CommandMenuItem(path, name, commandID, useCFString, attributes, modifiers));
    node->AppendItem(item.Get());
    item.HandOut();
    return noErr;
}

SubmenuItem* SubmenuTree::FindOrAddSubmenuForPath(CFStringRef path)
{
    if (path == nullptr) {
        return nullptr;
    }
    if (const void* known = CFDictionaryGetValue(submenusByPath, path)) {
        return static_cast<SubmenuItem*>(const_cast<void*>(known));
    }
    CFObj<CFURLRef> url(CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, true));
    SubmenuItem* node = FindOrAddSubmenu(url.Get());
    if (node != nullptr) {
        CFDictionarySetValue(submenusByPath, path, node);
    }
    return node;
}

void SubmenuTree::BuildSubmenuTree()
{
    AddSubmenusToAEList(root);
}

void SubmenuTree::AddSubmenusToAEList(SubmenuItem* node)
{
    CFIndex count = node->GetItemCount();
    for (CFIndex index = 0; index < count; ++index) {
        AbstractMenuItem* item = node->GetItemAt(index);
        if (item->IsSubmenu()) {
            auto* child = static_cast<SubmenuItem*>(item);
            AddSubmenusToAEList(child);
            // A submenu that did not make it into its parent takes its commands' names with it:
            // the host will never see them, so their references are given back here.
            if (CMUtils::AddSubmenu(&node->submenuList, child->name, &child->submenuList) != noErr) {
                CMUtils::ReleaseCommandNames(&child->submenuList);
            }
        } else {
            auto* command = static_cast<CommandMenuItem*>(item);
            CMUtils::AddCommandToAEDescList(command->name, command->commandID, command->useCFString,
                                            &node->submenuList, command->attributes, command->modifiers);
        }
    }
}
