#include "manager/ContextualMenu.h"

namespace cmhost {

ContextualMenu::ContextualMenu(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context)
{
    for (const std::unique_ptr<PlugInInstance>& plugIn : plugIns) {
        mSessions.push_back(std::make_unique<MenuSession>(*plugIn, context));
        const MenuSession& session = *mSessions.back();
        if (mStatus == noErr)
            mStatus = session.ExamineStatus();
        mItems.insert(mItems.end(), session.Items().begin(), session.Items().end());
    }
}

ContextualMenu::~ContextualMenu()
{
    // Close in the order the menus were opened.
    for (std::unique_ptr<MenuSession>& session : mSessions)
        session.reset();
}

OSStatus ContextualMenu::Choose(SInt32 command)
{
    if (mSessions.empty())
        return paramErr;
    for (const std::unique_ptr<MenuSession>& session : mSessions) {
        if (FindCommand(session->Items(), command))
            return session->Choose(command);
    }
    return mSessions.front()->Choose(command);
}

}  // namespace cmhost
