// The descriptor and text utilities of the plug-in, all in the namespace CMUtils: the menu record
// writers, the text conversions and the deletion of folder trees.
#pragma once

#include "support/CMUtilsRecords.h"
#include "support/CMUtilsText.h"
#include "support/CMUtilsFiles.h"
