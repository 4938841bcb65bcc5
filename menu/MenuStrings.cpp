#include "menu/MenuStrings.h"

CFStringRef CopyLocalizedMenuString(const AbstractCMPluginType* instance, CFStringRef englishText)
{
    CFBundleRef bundle = instance != nullptr ? instance->bundle : nullptr;
    return CFBundleCopyLocalizedString(bundle, englishText, englishText, CFSTR("Localizable"));
}
