// Special folders. The only one the plug-in asks for is the user's application-support folder,
// which is $XDG_DATA_HOME (default ~/.local/share), created with mode 0700 when missing.
#pragma once

#include <Carbon/Files.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kOnSystemDisk = -32768,
    kUserDomain = -32763
};

enum {
    kApplicationSupportFolderType = 'asup'
};

enum {
    kCreateFolder = 1,
    kDontCreateFolder = 0
};

// The folder of that type in that domain; fnfErr when it is missing and createFolder is false, or
// for a type or domain that this platform does not know.
OSErr FSFindFolder(FSVolumeRefNum vRefNum, OSType folderType, Boolean createFolder, FSRef* foundRef);

#ifdef __cplusplus
}
#endif
