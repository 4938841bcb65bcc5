// The property-list functions of the platform interface.
#include <CoreFoundation/CFPropertyList.h>

#include "WipedMemory.h"
#include "cf/StringObject.h"
#include "plist/PropertyListCopy.h"
#include "plist/PropertyListReader.h"
#include "plist/PropertyListWriter.h"

#include <CoreFoundation/CFData.h>

#include <string>
#include <string_view>

using namespace platform;
using namespace platform::plist;

extern "C" {

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef allocator, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption, CFStringRef* errorString)
{
    if (errorString != nullptr) {
        *errorString = nullptr;
    }
    std::string error;
    CFPropertyListRef value = nullptr;
    if (xmlData == nullptr || CFGetTypeID(xmlData) != CFDataGetTypeID()) {
        error = "no data to read a property list from";
    } else {
        std::string_view xml(reinterpret_cast<const char*>(CFDataGetBytePtr(xmlData)),
                             static_cast<size_t>(CFDataGetLength(xmlData)));
        Result<CFOwner<CFPropertyListRef>> read = ReadXMLPropertyList(allocator, xml, mutabilityOption);
        if (read.Ok()) {
            value = read->LeakRef();
        } else {
            error = read.Reason();
        }
    }
    if (value == nullptr && errorString != nullptr) {
        *errorString = CreateStringFromUTF8(allocator, error);
    }
    return value;
}

CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef allocator, CFPropertyListRef propertyList)
{
    Result<std::string> written = WriteXMLPropertyList(propertyList);
    if (!written.Ok()) {
        return nullptr;
    }
    std::string& xml = written.Value();
    CFDataRef data = CFDataCreate(allocator, reinterpret_cast<const UInt8*>(xml.data()), static_cast<CFIndex>(xml.size()));
    // The text may be a secure note's payload: only the data object keeps it.
    WipeString(xml);
    return data;
}

CFPropertyListRef CFPropertyListCreateDeepCopy(CFAllocatorRef allocator, CFPropertyListRef propertyList,
                                               CFOptionFlags mutabilityOption)
{
    return CopyPropertyListDeep(allocator, propertyList, mutabilityOption);
}

}  // extern "C"
