#include "menu/CommandMenuItem.h"

CommandMenuItem::CommandMenuItem(CFStringRef inSubmenuPath, CFStringRef inName, SInt32 inCommandID,
                                 Boolean inUseCFString, UInt32 inAttributes, UInt32 inModifiers)
    : submenuPath(static_cast<CFStringRef>(CFRetain(inSubmenuPath))),
      name(static_cast<CFStringRef>(CFRetain(inName))),
      commandID(inCommandID),
      useCFString(inUseCFString),
      attributes(inAttributes),
      modifiers(inModifiers)
{
}

CommandMenuItem::~CommandMenuItem()
{
    CFRelease(name);
    CFRelease(submenuPath);
}
