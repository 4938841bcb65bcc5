// Access objects and their access-control entries. They are recorded and stored with each item;
// they are not enforced per application, because a process here has no application identity to
// check an application list against.
#include "cf/StringObject.h"
#include "security/SecurityObjects.h"

#include <Security/SecAccess.h>
#include <Security/SecACL.h>

#include <algorithm>

namespace platform::security {
namespace {

std::string DescribeAccess(const RuntimeBase* object)
{
    return "<SecAccess " + static_cast<const OpaqueSecAccessRef*>(object)->descriptor + ">";
}

std::string DescribeACL(const RuntimeBase* object)
{
    return "<SecACL " + static_cast<const OpaqueSecACLRef*>(object)->entry->description + ">";
}

// Access objects and entries are equal only to themselves (no equal hook).
const RuntimeClass kAccessClass{kAccessTypeID, "SecAccess", &FinalizeAs<OpaqueSecAccessRef>, nullptr, nullptr,
                                &DescribeAccess};
const RuntimeClass kACLClass{kACLTypeID, "SecACL", &FinalizeAs<OpaqueSecACLRef>, nullptr, nullptr, &DescribeACL};

bool Governs(const AclEntryRecord& entry, CSSM_ACL_AUTHORIZATION_TAG action)
{
    return std::any_of(entry.authorizations.begin(), entry.authorizations.end(), [&](int32_t tag) {
        return tag == action || tag == CSSM_ACL_AUTHORIZATION_ANY;
    });
}

// A new array (+1) of ACL objects for the access object's entries that pass the filter.
template <class Filter>
OSStatus CopyEntries(SecAccessRef access, CFArrayRef* aclList, Filter filter)
{
    if (!IsType(access, kAccessTypeID) || aclList == nullptr) {
        return errSecParam;
    }
    CFOwner<CFMutableArrayRef> list = AdoptCF(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    if (!list) {
        return errSecAllocate;
    }
    for (const std::shared_ptr<AclEntryRecord>& entry : access->entries) {
        if (!filter(*entry)) {
            continue;
        }
        CFOwner<SecACLRef> acl = AdoptCF(
            CreateInstance<OpaqueSecACLRef>(nullptr, kACLClass, RetainCF(access), entry));
        if (!acl) {
            return errSecAllocate;
        }
        CFArrayAppendValue(list.Get(), acl.Get());
    }
    *aclList = list.LeakRef();
    return noErr;
}

}  // namespace

SecAccessRef NewAccessObject(const AccessRecord& record)
{
    SecAccessRef access = CreateInstance<OpaqueSecAccessRef>(nullptr, kAccessClass);
    if (access == nullptr) {
        return nullptr;
    }
    access->descriptor = record.descriptor;
    for (const AclEntryRecord& entry : record.entries) {
        access->entries.push_back(std::make_shared<AclEntryRecord>(entry));
    }
    return access;
}

AccessRecord AccessToRecord(SecAccessRef access)
{
    AccessRecord record;
    record.descriptor = access->descriptor;
    for (const std::shared_ptr<AclEntryRecord>& entry : access->entries) {
        record.entries.push_back(*entry);
    }
    return record;
}

}  // namespace platform::security

using namespace platform;
using namespace platform::security;

CFTypeID SecAccessGetTypeID(void)
{
    RegisterRuntimeClass(kAccessClass);
    return kAccessTypeID;
}

CFTypeID SecACLGetTypeID(void)
{
    RegisterRuntimeClass(kACLClass);
    return kACLTypeID;
}

OSStatus SecAccessCreate(CFStringRef descriptor, CFArrayRef trustedlist, SecAccessRef* accessRef)
{
    if (!IsType(descriptor, kStringTypeID) || accessRef == nullptr ||
        (trustedlist != nullptr && !IsType(trustedlist, kArrayTypeID))) {
        return errSecParam;
    }
    AclEntryRecord entry;
    entry.authorizations = {CSSM_ACL_AUTHORIZATION_DECRYPT};
    if (trustedlist != nullptr && !ApplicationPaths(trustedlist, entry.applications)) {
        return errSecParam;
    }
    AccessRecord record;
    record.descriptor = StringToUTF8(descriptor);
    entry.description = record.descriptor;
    entry.promptVersion = CSSM_ACL_KEYCHAIN_PROMPT_CURRENT_VERSION;
    record.entries.push_back(std::move(entry));
    *accessRef = NewAccessObject(record);
    return *accessRef != nullptr ? OSStatus{noErr} : OSStatus{errSecAllocate};
}

OSStatus SecAccessCopySelectedACLList(SecAccessRef accessRef, CSSM_ACL_AUTHORIZATION_TAG action, CFArrayRef* aclList)
{
    return CopyEntries(accessRef, aclList, [&](const AclEntryRecord& entry) { return Governs(entry, action); });
}

OSStatus SecACLCopySimpleContents(SecACLRef acl, CFArrayRef* applicationList, CFStringRef* description,
                                  CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR* promptSelector)
{
    if (!IsType(acl, kACLTypeID)) {
        return errSecParam;
    }
    const AclEntryRecord& entry = *acl->entry;
    CFOwner<CFArrayRef> applications;
    if (applicationList != nullptr && !entry.anyApplication) {
        applications = AdoptCF(CreateApplicationArray(entry.applications));
        if (!applications) {
            return errSecAllocate;
        }
    }
    CFOwner<CFStringRef> text;
    if (description != nullptr) {
        text = AdoptCF(CreateStringFromUTF8(nullptr, entry.description));
        if (!text) {
            return errSecAllocate;
        }
    }
    if (applicationList != nullptr) {
        *applicationList = applications.LeakRef();
    }
    if (description != nullptr) {
        *description = text.LeakRef();
    }
    if (promptSelector != nullptr) {
        promptSelector->version = entry.promptVersion;
        promptSelector->flags = entry.promptFlags;
    }
    return noErr;
}

OSStatus SecACLSetSimpleContents(SecACLRef acl, CFArrayRef applicationList, CFStringRef description,
                                 const CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR* promptSelector)
{
    if (!IsType(acl, kACLTypeID) || !IsType(description, kStringTypeID) || promptSelector == nullptr ||
        (applicationList != nullptr && !IsType(applicationList, kArrayTypeID))) {
        return errSecParam;
    }
    std::vector<std::string> applications;
    if (applicationList != nullptr && !ApplicationPaths(applicationList, applications)) {
        return errSecParam;
    }
    AclEntryRecord& entry = *acl->entry;
    entry.anyApplication = applicationList == nullptr;
    entry.applications = std::move(applications);
    entry.description = StringToUTF8(description);
    entry.promptVersion = promptSelector->version;
    entry.promptFlags = promptSelector->flags;
    return noErr;
}
