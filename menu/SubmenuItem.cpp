#include "menu/SubmenuItem.h"

SubmenuItem::SubmenuItem()
    : submenuList{typeNull, nullptr}, url(nullptr), name(nullptr), items(nullptr), appended(false), next(nullptr)
{
}

SubmenuItem::~SubmenuItem()
{
    if (url != nullptr) {
        CFRelease(url);
    }
    if (name != nullptr) {
        CFRelease(name);
    }
    if (submenuList.dataHandle != nullptr) {
        AEDisposeDesc(&submenuList);
    }
    if (items != nullptr) {
        CFIndex count = CFArrayGetCount(items);
        for (CFIndex index = 0; index < count; ++index) {
            delete GetItemAt(index);
        }
        CFRelease(items);
    }
}

void SubmenuItem::AppendItem(AbstractMenuItem* item)
{
    if (items == nullptr) {
        // No callbacks: the array holds plain pointers, and this node deletes what they point to.
        items = CFArrayCreateMutable(kCFAllocatorDefault, 0, nullptr);
        if (items == nullptr) {
            throw static_cast<SInt32>(memFullErr);
        }
    }
    CFArrayAppendValue(items, item);
}

AbstractMenuItem* SubmenuItem::GetItemAt(CFIndex index) const
{
    return static_cast<AbstractMenuItem*>(const_cast<void*>(CFArrayGetValueAtIndex(items, index)));
}
