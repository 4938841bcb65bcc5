// Keychain items: a class, attributes and protected data, created in a keychain, read and deleted.
#pragma once

#include <Security/SecBase.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kSecInternetPasswordItemClass = 'inet',
    kSecGenericPasswordItemClass = 'genp'
};

enum {
    kSecCreationDateItemAttr = 'cdat',
    kSecModDateItemAttr = 'mdat',
    kSecDescriptionItemAttr = 'desc',
    kSecCommentItemAttr = 'icmt',
    kSecCreatorItemAttr = 'crtr',
    kSecTypeItemAttr = 'type',
    kSecLabelItemAttr = 'labl',
    kSecAccountItemAttr = 'acct',
    kSecServiceItemAttr = 'svce',
    kSecGenericItemAttr = 'gena',
    kSecSecurityDomainItemAttr = 'sdmn',
    kSecServerItemAttr = 'srvr',
    kSecProtocolItemAttr = 'ptcl',
    kSecAuthenticationTypeItemAttr = 'atyp',
    kSecPortItemAttr = 'port',
    kSecPathItemAttr = 'path'
};

CFTypeID SecKeychainItemGetTypeID(void);

// Adds an item of itemClass with the attributes of attrList (may be NULL) and the length bytes at
// data to the keychain, asking to unlock it first when it is locked. Generic passwords are unique
// by account and service, internet passwords by account, security domain, server, protocol,
// authentication type, port and path: another with the same values is errSecDuplicateItem.
// initialAccess NULL gives the item a default access object named after its service or label.
// itemRef (may be NULL) receives a reference (+1) to the new item.
OSStatus SecKeychainItemCreateFromContent(SecItemClass itemClass, SecKeychainAttributeList* attrList, UInt32 length,
                                          const void* data, SecKeychainRef keychainRef, SecAccessRef initialAccess,
                                          SecKeychainItemRef* itemRef);

// Copies the item's class, the attributes whose tags attrList names (their length and data are
// filled in; a missing attribute gives length 0 and data NULL) and its data. Any out argument may
// be NULL. What is handed out belongs to the keychain services: give it back with
// SecKeychainItemFreeContent, never with free().
OSStatus SecKeychainItemCopyContent(SecKeychainItemRef itemRef, SecItemClass* itemClass,
                                    SecKeychainAttributeList* attrList, UInt32* length, void** outData);
OSStatus SecKeychainItemFreeContent(SecKeychainAttributeList* attrList, void* data);

// Copies the attributes that info names (info NULL: none) into a new list, and the item's data.
// Any out argument may be NULL; length and outData go together. Give what is handed out back with
// SecKeychainItemFreeAttributesAndData. The data is wiped when it is given back.
OSStatus SecKeychainItemCopyAttributesAndData(SecKeychainItemRef itemRef, SecKeychainAttributeInfo* info,
                                              SecItemClass* itemClass, SecKeychainAttributeList** attrList,
                                              UInt32* length, void** outData);
OSStatus SecKeychainItemFreeAttributesAndData(SecKeychainAttributeList* attrList, void* data);

// Removes the item from its keychain. The reference stays valid as an object; using it for the
// item afterwards answers errSecInvalidItemRef.
OSStatus SecKeychainItemDelete(SecKeychainItemRef itemRef);

// A copy (+1) of the access object stored with the item.
OSStatus SecKeychainItemCopyAccess(SecKeychainItemRef itemRef, SecAccessRef* access);

#ifdef __cplusplus
}
#endif
