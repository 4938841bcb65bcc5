// One loaded contextual-menu plug-in: its bundle and the one interface reference the host holds.
#pragma once

#include "CFOwner.h"

#include <Carbon/Carbon.h>

#include <string>

namespace cmhost {

class PlugInInstance {
public:
    // Takes over the plug-in reference and one reference to the interface, which the destructor
    // gives back with Release before the plug-in goes (its code must stay loaded until then).
    PlugInInstance(platform::CFOwner<CFPlugInRef> plugIn, ContextualMenuInterfaceStruct** interface,
                   std::string path);
    ~PlugInInstance();
    PlugInInstance(const PlugInInstance&) = delete;
    PlugInInstance& operator=(const PlugInInstance&) = delete;

    const std::string& Path() const { return mPath; }

    OSStatus ExamineContext(const AEDesc& context, AEDescList* commands);
    OSStatus HandleSelection(AEDesc* context, SInt32 command);
    void PostMenuCleanup();

private:
    platform::CFOwner<CFPlugInRef> mPlugIn;
    ContextualMenuInterfaceStruct** mInterface;
    std::string mPath;
};

}  // namespace cmhost
