// Interface files: windows described in a bundle's "<name>.nib" file and made on request.
//
// The file is an XML property list:
//   {windows: {"<window name>": {title, width, height,
//                                controls: [{kind, signature, id, title, frame, command, default}]}}}
// kind is one of editText, checkBox, pushButton, staticText; signature and command are
// four-character strings (or their numbers); frame is [x, y, width, height] in the content view;
// title is a button's or check box's label and the initial text of a text field.
#pragma once

#include <Carbon/MacWindows.h>
#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueIBNibRef* IBNibRef;

enum {
    kIBCarbonRuntimeCantFindNibFile = -10960,
    kIBCarbonRuntimeObjectNotOfRequestedType = -10961,
    kIBCarbonRuntimeCantFindObject = -10962
};

// Opens "<inNibName>.nib" of the bundle, looked for like every bundle resource (the user's
// language folders, English.lproj, then Resources). The whole file is read and checked here:
// kIBCarbonRuntimeCantFindNibFile when there is no such file, when it cannot be read, or when it is
// not a valid interface file (PlatformCopyLastInterfaceFileError says which). The reference is
// released with DisposeNibReference.
OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName, IBNibRef* outNibRef);
// The same for the main bundle. Plug-ins and the host have none on this platform:
// kIBCarbonRuntimeCantFindNibFile.
OSStatus CreateNibReference(CFStringRef inNibName, IBNibRef* outNibRef);
void DisposeNibReference(IBNibRef inNibRef);

// A new window (+1, given up with DisposeWindow), hidden, with the named window's title, size and
// controls; kIBCarbonRuntimeCantFindObject when the file has no window of that name.
OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow);

#ifdef __cplusplus
}
#endif
