// The contextual menu the user sees: one menu session per loaded plug-in, their records shown one
// after the other in load order.
#pragma once

#include "manager/MenuSession.h"

#include <memory>
#include <vector>

namespace cmhost {

class ContextualMenu {
public:
    // Opens the menu over the context with every plug-in; the destructor closes it again.
    ContextualMenu(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context);
    ~ContextualMenu();
    ContextualMenu(const ContextualMenu&) = delete;
    ContextualMenu& operator=(const ContextualMenu&) = delete;

    // The first non-zero status an ExamineContext answered, or noErr.
    OSStatus Status() const { return mStatus; }
    const std::vector<MenuItem>& Items() const { return mItems; }

    // Hands the pick to the plug-in whose records hold the id, as the menu manager routes it; an
    // id that no record holds goes to the first plug-in as it is.
    OSStatus Choose(SInt32 command);

private:
    std::vector<std::unique_ptr<MenuSession>> mSessions;
    OSStatus mStatus = noErr;
    std::vector<MenuItem> mItems;
};

}  // namespace cmhost
