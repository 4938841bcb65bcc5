// NOTE: the new-clip dialog and clip creation are not built yet. Until they are, the two add
// commands do nothing. Whoever builds them replaces this file with the real commands.
#include "commands/CommandSteps.h"

void AddSelectedTextCommand(AbstractCMPluginType* instance, AEDesc* context, FlavorSet& flavors) {}

void AddClipboardContentCommand(AbstractCMPluginType* instance, FlavorSet& flavors) {}
