// The contextual-menu plug-in interface: the identifiers a plug-in publishes in its Info.plist and
// answers in QueryInterface, the interface table, and the keys of the menu records it writes.
#pragma once

#include <Carbon/AEDataModel.h>
#include <CoreFoundation/CFPlugInCOM.h>

#ifdef __cplusplus
extern "C" {
#endif

// The plug-in type that contextual-menu plug-ins are made for.
#define kContextualMenuTypeID                                                                          \
    CFUUIDGetConstantUUIDWithBytes(kCFAllocatorSystemDefault, 0x68, 0x1E, 0x73, 0xD4, 0x9E, 0xA7, 0x40, \
                                   0xBC, 0x8B, 0xAB, 0xD8, 0x6C, 0xFD, 0x4F, 0x6F, 0x73)
// The interface the contextual-menu manager asks the new instance for.
#define kContextualMenuInterfaceID                                                                     \
    CFUUIDGetConstantUUIDWithBytes(kCFAllocatorSystemDefault, 0xBF, 0x24, 0x36, 0x91, 0xEB, 0x4F, 0x4E, \
                                   0xF2, 0x87, 0x9A, 0x62, 0xFA, 0xE5, 0x18, 0x9C, 0x56)

typedef struct ContextualMenuInterfaceStruct {
    IUNKNOWN_C_GUTS;
    OSStatus (*ExamineContext)(void* thisInstance, const AEDesc* inContext, AEDescList* outCommandPairs);
    OSStatus (*HandleSelection)(void* thisInstance, AEDesc* inContext, SInt32 inCommandID);
    void (*PostMenuCleanup)(void* thisInstance);
} ContextualMenuInterfaceStruct;

enum {
    keyContextualMenuName = 'pnam',
    keyContextualMenuCommandID = 'cmcd',
    keyContextualMenuSubmenu = 'cmsb',
    keyContextualMenuAttributes = 'cmat',
    keyContextualMenuModifiers = 'cmmd'
};

enum {
    kMenuItemAttrDisabled = 1,
    kMenuItemAttrIconDisabled = 2,
    kMenuItemAttrSubmenuParentChoosable = 4,
    kMenuItemAttrDynamic = 8,
    kMenuItemAttrNotPreviousAlternate = 16,
    kMenuItemAttrHidden = 32,
    kMenuItemAttrSeparator = 64,
    kMenuItemAttrSectionHeader = 128,
    kMenuItemAttrIgnoreMeta = 256
};

enum {
    kMenuNoModifiers = 0,
    kMenuShiftModifier = 1,
    kMenuOptionModifier = 2,
    kMenuControlModifier = 4,
    kMenuNoCommandModifier = 8
};

#ifdef __cplusplus
}
#endif
