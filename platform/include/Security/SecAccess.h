// Access objects: the access-control entries stored with a keychain item.
//
// NOTE: entries are recorded and kept with each item, but not enforced per application: this
// system gives a process no application identity to check an application list against. Whoever
// can unlock the keychain can read its items.
#pragma once

#include <Security/SecBase.h>
#include <Security/SecACL.h>

#ifdef __cplusplus
extern "C" {
#endif

CFTypeID SecAccessGetTypeID(void);

// A new access object (+1) named descriptor (the text shown when the user is asked about access)
// with one entry governing decryption, which lets the applications of trustedlist through (an
// array of SecTrustedApplicationRef; NULL is taken as an empty list).
OSStatus SecAccessCreate(CFStringRef descriptor, CFArrayRef trustedlist, SecAccessRef* accessRef);

// The entries that govern action (+1 array, empty when none does); an entry governing
// CSSM_ACL_AUTHORIZATION_ANY governs every action.
OSStatus SecAccessCopySelectedACLList(SecAccessRef accessRef, CSSM_ACL_AUTHORIZATION_TAG action,
                                      CFArrayRef* aclList);

#ifdef __cplusplus
}
#endif
