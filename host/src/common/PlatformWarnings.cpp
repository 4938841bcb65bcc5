#include "common/PlatformWarnings.h"

#include "CFOwner.h"
#include "common/TextConversion.h"

#include <PlatformHost.h>

namespace cmhost {

std::vector<std::string> TakePlatformWarnings()
{
    platform::CFOwner<CFArrayRef> lines = platform::AdoptCF(PlatformCopyWarnings());
    std::vector<std::string> warnings;
    if (!lines)
        return warnings;
    for (CFIndex i = 0; i < CFArrayGetCount(lines.Get()); ++i) {
        CFTypeRef line = CFArrayGetValueAtIndex(lines.Get(), i);
        if (line != nullptr && CFGetTypeID(line) == CFStringGetTypeID())
            warnings.push_back(UTF8FromString(static_cast<CFStringRef>(line)));
    }
    return warnings;
}

void PrintWarnings(const std::vector<std::string>& warnings, std::ostream& err, const char* program)
{
    for (const std::string& line : warnings)
        err << program << ": warning: " << line << "\n";
    err.flush();
}

void TakeAndPrintWarnings(std::ostream& err, const char* program)
{
    PrintWarnings(TakePlatformWarnings(), err, program);
}

}  // namespace cmhost
