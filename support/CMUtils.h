// The descriptor and text utilities of the plug-in, all in the namespace CMUtils: the menu record
// writers and the text conversions.
#pragma once

#include "support/CMUtilsRecords.h"
#include "support/CMUtilsText.h"
