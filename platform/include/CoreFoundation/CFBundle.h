// Bundles: a folder with Contents/Info.plist, an executable in Contents/Linux/ and resources in
// Contents/Resources/ with one folder per language (English.lproj, ...).
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueCFBundle* CFBundleRef;

extern const CFStringRef kCFBundleIdentifierKey;
extern const CFStringRef kCFBundleExecutableKey;
extern const CFStringRef kCFBundleNameKey;
extern const CFStringRef kCFBundleVersionKey;
extern const CFStringRef kCFBundleInfoDictionaryVersionKey;

CFTypeID CFBundleGetTypeID(void);
// Opens the bundle at the folder (+1): reads its Info.plist. NULL when the folder or its
// Info.plist is missing or unreadable. A bundle with an identifier is registered process-wide, so
// that CFBundleGetBundleWithIdentifier finds it while it lives; creating the same folder again
// returns the registered object (retained).
CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
// Borrowed; NULL when no bundle with that identifier is open.
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
// Borrowed.
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
// The URL of an existing resource (+1): Resources/<subDir>/<name>.<type>, looked for first in the
// preferred language folder, then English.lproj, then Resources itself. NULL when none exists.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                 CFStringRef subDirName);

// Loads the executable (dlopen). True when it is loaded.
Boolean CFBundleLoadExecutable(CFBundleRef bundle);
Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle);
// Unloads the executable, unless instances of its factories are still alive.
void CFBundleUnloadExecutable(CFBundleRef bundle);
// The address of an exported function of the executable, which is loaded first if needed, or NULL.
void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName);

// The localized text of a key (+1), from Resources/<language>.lproj/<tableName>.strings, the
// language taken from LC_ALL, LC_MESSAGES or LANG, then English.lproj. tableName NULL means
// "Localizable". When the key is in no table: value, or the key when value is NULL or empty.
CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value, CFStringRef tableName);

#define CFCopyLocalizedStringFromTableInBundle(key, tbl, bundle, comment) \
    CFBundleCopyLocalizedString((bundle), (key), (key), (tbl))

#ifdef __cplusplus
}
#endif
