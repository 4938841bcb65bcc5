// NOTE: the menu and the commands are not built yet. Until they are, the plug-in contributes no
// commands to a menu and a chosen command does nothing. Whoever builds them replaces this file
// with the real steps.
#include "plugin/MenuAndCommandSteps.h"

void ProbeHostSelection(AbstractCMPluginType* instance, const AEDesc* context) {}

void BuildContextMenu(AbstractCMPluginType* instance, const AEDesc* context, AEDescList* commandList) {}

void DispatchSelection(AbstractCMPluginType* instance, AEDesc* context, SInt32 commandID) {}
