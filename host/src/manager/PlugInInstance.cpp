#include "manager/PlugInInstance.h"

namespace cmhost {

PlugInInstance::PlugInInstance(platform::CFOwner<CFPlugInRef> plugIn, ContextualMenuInterfaceStruct** interface,
                               std::string path)
    : mPlugIn(std::move(plugIn)), mInterface(interface), mPath(std::move(path))
{
}

PlugInInstance::~PlugInInstance()
{
    if (mInterface)
        (*mInterface)->Release(mInterface);
}

OSStatus PlugInInstance::ExamineContext(const AEDesc& context, AEDescList* commands)
{
    return (*mInterface)->ExamineContext(mInterface, &context, commands);
}

OSStatus PlugInInstance::HandleSelection(AEDesc* context, SInt32 command)
{
    return (*mInterface)->HandleSelection(mInterface, context, command);
}

void PlugInInstance::PostMenuCleanup()
{
    (*mInterface)->PostMenuCleanup(mInterface);
}

}  // namespace cmhost
