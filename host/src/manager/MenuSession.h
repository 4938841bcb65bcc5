// One contextual menu over one plug-in: ExamineContext when it opens, HandleSelection when the user
// picks, PostMenuCleanup when it closes, in that order, as the contextual-menu manager calls them.
#pragma once

#include "manager/MenuItem.h"
#include "manager/PlugInInstance.h"

#include <vector>

namespace cmhost {

class MenuSession {
public:
    // Opens the menu: hands the plug-in an empty command list and reads what it wrote.
    // context must outlive the session.
    MenuSession(PlugInInstance& plugIn, AEDesc& context);
    // Closes the menu: PostMenuCleanup.
    ~MenuSession();
    MenuSession(const MenuSession&) = delete;
    MenuSession& operator=(const MenuSession&) = delete;

    OSStatus ExamineStatus() const { return mExamineStatus; }
    const std::vector<MenuItem>& Items() const { return mItems; }

    // Hands the command id to the plug-in as it is, whether or not the menu holds it.
    OSStatus Choose(SInt32 command);

private:
    PlugInInstance& mPlugIn;
    AEDesc& mContext;
    OSStatus mExamineStatus = noErr;
    std::vector<MenuItem> mItems;
};

}  // namespace cmhost
