// Searching keychains for items by class and attributes.
#pragma once

#include <Security/SecBase.h>

#ifdef __cplusplus
extern "C" {
#endif

CFTypeID SecKeychainSearchGetTypeID(void);

// Starts a search (+1) of keychainOrArray (one keychain, or an array of keychains searched in
// order; NULL is errSecNoDefaultKeychain, as this system keeps no default keychain list) for items
// of itemClass whose attributes equal every attribute of attrList (may be NULL). The matches are
// taken when the search is made, in the order the items were created; a locked keychain is asked
// to unlock first.
OSStatus SecKeychainSearchCreateFromAttributes(CFTypeRef keychainOrArray, SecItemClass itemClass,
                                               const SecKeychainAttributeList* attrList,
                                               SecKeychainSearchRef* searchRef);

// The next match (+1), or errSecItemNotFound after the last.
OSStatus SecKeychainSearchCopyNext(SecKeychainSearchRef searchRef, SecKeychainItemRef* itemRef);

#ifdef __cplusplus
}
#endif
