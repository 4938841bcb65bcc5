// The HIToolbox subset: windows from interface files, controls and views, the combo box, Carbon
// events, the application-modal loop and standard alerts.
#pragma once

#include <Carbon/HIGeometry.h>
#include <Carbon/MacWindows.h>
#include <Carbon/Controls.h>
#include <Carbon/HIView.h>
#include <Carbon/HIComboBox.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/Dialogs.h>
#include <Carbon/IBCarbonRuntime.h>
