// The object types, attribute records and status codes shared by the keychain services.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// Every reference below is a platform object: CFRetain / CFRelease apply, and a Create or Copy
// call hands the caller one reference (+1).
typedef struct OpaqueSecKeychainRef* SecKeychainRef;
typedef struct OpaqueSecKeychainItemRef* SecKeychainItemRef;
typedef struct OpaqueSecKeychainSearchRef* SecKeychainSearchRef;
typedef struct OpaqueSecAccessRef* SecAccessRef;
typedef struct OpaqueSecTrustedApplicationRef* SecTrustedApplicationRef;
typedef struct OpaqueSecACLRef* SecACLRef;

// The class of a keychain item, a four-character code.
typedef FourCharCode SecItemClass;
// The tag of an item attribute, a four-character code.
typedef FourCharCode SecKeychainAttrType;

// One attribute of an item: its tag and its bytes (length bytes at data).
typedef struct SecKeychainAttribute {
    SecKeychainAttrType tag;
    UInt32 length;
    void* data;
} SecKeychainAttribute;
typedef SecKeychainAttribute* SecKeychainAttributePtr;

typedef struct SecKeychainAttributeList {
    UInt32 count;
    SecKeychainAttribute* attr;
} SecKeychainAttributeList;

// Which attributes a copy asks for: count tags, each with a format (the formats are accepted and
// not interpreted: every attribute is handed out as its stored bytes).
typedef struct SecKeychainAttributeInfo {
    UInt32 count;
    UInt32* tag;
    UInt32* format;
} SecKeychainAttributeInfo;

enum {
    errSecSuccess = 0,
    errSecUnimplemented = -4,
    errSecParam = -50,
    errSecAllocate = -108,
    errSecWrPerm = -61,
    errSecNotAvailable = -25291,
    errSecReadOnly = -25292,
    errSecAuthFailed = -25293,
    errSecNoSuchKeychain = -25294,
    errSecInvalidKeychain = -25295,
    errSecDuplicateKeychain = -25296,
    errSecDuplicateItem = -25299,
    errSecItemNotFound = -25300,
    errSecBufferTooSmall = -25301,
    errSecDataTooLarge = -25302,
    errSecNoSuchAttr = -25303,
    errSecInvalidItemRef = -25304,
    errSecInvalidSearchRef = -25305,
    errSecNoSuchClass = -25306,
    errSecNoDefaultKeychain = -25307,
    errSecInteractionNotAllowed = -25308,
    errSecWrongSecVersion = -25310,
    errSecNoAccessForItem = -25243,
    errSecDecode = -26275  // an item's stored bytes cannot be decoded: that item is damaged
};

#ifdef __cplusplus
}
#endif
