// The Carbon subset of the platform stand-in.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>
#include <Carbon/AEDataModel.h>
#include <Carbon/ContextualMenuPlugins.h>
#include <Carbon/Files.h>
#include <Carbon/Folders.h>
#include <Carbon/Gestalt.h>
#include <Carbon/MacMemory.h>
#include <Carbon/Resources.h>
#include <Carbon/Scrap.h>
#include <Carbon/Debugging.h>
#include <Carbon/TextUtils.h>
#include <Carbon/HIToolbox.h>
#include <Carbon/Processes.h>
