#include "manager/MenuSession.h"

#include "common/ScopedAEDesc.h"
#include "manager/MenuReader.h"

namespace cmhost {

MenuSession::MenuSession(PlugInInstance& plugIn, AEDesc& context) : mPlugIn(plugIn), mContext(context)
{
    ScopedAEDesc commands;
    AECreateList(nullptr, 0, false, commands.Out());
    mExamineStatus = mPlugIn.ExamineContext(mContext, commands.Mutable());
    // Read even after a failure: whatever records were written carry references the host owns.
    mItems = ReadMenuItems(commands.Get());
}

MenuSession::~MenuSession()
{
    mPlugIn.PostMenuCleanup();
}

OSStatus MenuSession::Choose(SInt32 command)
{
    return mPlugIn.HandleSelection(&mContext, command);
}

}  // namespace cmhost
