// NOTE: the commands are not built yet. Until they are, a chosen command does nothing. Whoever
// builds the dispatcher replaces this file with the real step.
#include "plugin/MenuAndCommandSteps.h"

void DispatchSelection(AbstractCMPluginType* instance, AEDesc* context, SInt32 commandID) {}
