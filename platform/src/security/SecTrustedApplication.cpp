// Trusted applications, named by path.
#include "cf/StringObject.h"
#include "security/SecurityObjects.h"

#include <Security/SecTrustedApplication.h>

#include <unistd.h>

#include <climits>

namespace platform::security {
namespace {

bool ApplicationsEqual(const RuntimeBase* a, const RuntimeBase* b)
{
    return static_cast<const OpaqueSecTrustedApplicationRef*>(a)->path ==
           static_cast<const OpaqueSecTrustedApplicationRef*>(b)->path;
}

CFHashCode ApplicationHash(const RuntimeBase* object)
{
    return std::hash<std::string>{}(static_cast<const OpaqueSecTrustedApplicationRef*>(object)->path);
}

std::string DescribeApplication(const RuntimeBase* object)
{
    return "<SecTrustedApplication " + static_cast<const OpaqueSecTrustedApplicationRef*>(object)->path + ">";
}

const RuntimeClass kTrustedApplicationClass{kTrustedApplicationTypeID, "SecTrustedApplication",
                                            &FinalizeAs<OpaqueSecTrustedApplicationRef>, &ApplicationsEqual,
                                            &ApplicationHash, &DescribeApplication};

}  // namespace

SecTrustedApplicationRef NewTrustedApplicationObject(std::string path)
{
    return CreateInstance<OpaqueSecTrustedApplicationRef>(nullptr, kTrustedApplicationClass, std::move(path));
}

bool ApplicationPaths(CFArrayRef applications, std::vector<std::string>& paths)
{
    paths.clear();
    CFIndex count = CFArrayGetCount(applications);
    for (CFIndex i = 0; i < count; ++i) {
        CFTypeRef value = CFArrayGetValueAtIndex(applications, i);
        if (!IsType(value, kTrustedApplicationTypeID)) {
            return false;
        }
        paths.push_back(static_cast<const OpaqueSecTrustedApplicationRef*>(value)->path);
    }
    return true;
}

CFArrayRef CreateApplicationArray(const std::vector<std::string>& paths)
{
    CFOwner<CFMutableArrayRef> array = AdoptCF(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    if (!array) {
        return nullptr;
    }
    for (const std::string& path : paths) {
        CFOwner<SecTrustedApplicationRef> application = AdoptCF(NewTrustedApplicationObject(path));
        if (!application) {
            return nullptr;
        }
        CFArrayAppendValue(array.Get(), application.Get());
    }
    return array.LeakRef();
}

}  // namespace platform::security

using namespace platform;
using namespace platform::security;

CFTypeID SecTrustedApplicationGetTypeID(void)
{
    RegisterRuntimeClass(kTrustedApplicationClass);
    return kTrustedApplicationTypeID;
}
