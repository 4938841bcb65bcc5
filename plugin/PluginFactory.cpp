// The bundle's one exported symbol: the factory that Info.plist names for the contextual-menu type.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"

extern "C" __attribute__((visibility("default"))) void* AbstractCMPluginFactory(CFAllocatorRef allocator,
                                                                                CFUUIDRef typeID)
{
    if (typeID != nullptr && CFEqual(typeID, kContextualMenuTypeID)) {
        return AllocAbstractCMPluginType(kStashwellFactoryID);
    }
    return nullptr;
}
