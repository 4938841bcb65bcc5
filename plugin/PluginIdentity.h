// Who the plug-in is: its bundle identifier (also the application id of its preferences) and the
// UUID of its factory. Both must match the bundle's Info.plist.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#define kStashwellBundleIdentifier CFSTR("org.stashwell.cmplugin")

// The preferences domain is the bundle's own, so every host application shares one clip list.
#define kStashwellPreferencesAppID kStashwellBundleIdentifier

// 860D38D6-10C8-4DF1-B49A-5FF96282D16E, the factory that Info.plist registers for the
// contextual-menu type. A constant object: it is never freed, whatever releases it receives.
#define kStashwellFactoryID                                                                             \
    CFUUIDGetConstantUUIDWithBytes(kCFAllocatorSystemDefault, 0x86, 0x0D, 0x38, 0xD6, 0x10, 0xC8, 0x4D, \
                                   0xF1, 0xB4, 0x9A, 0x5F, 0xF9, 0x62, 0x82, 0xD1, 0x6E)
