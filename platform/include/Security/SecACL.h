// Access-control entries: which operations an entry governs, which applications it lets through
// without asking, and how the user is asked.
#pragma once

#include <Security/SecBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef SInt32 CSSM_ACL_AUTHORIZATION_TAG;
enum {
    CSSM_ACL_AUTHORIZATION_ANY = 1,
    CSSM_ACL_AUTHORIZATION_DECRYPT = 24
};

#define CSSM_ACL_KEYCHAIN_PROMPT_CURRENT_VERSION 0x0101

typedef struct CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR {
    UInt16 version;
    UInt16 flags;
} CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR;

CFTypeID SecACLGetTypeID(void);

// The entry's application list (+1, NULL when any application is let through), description (+1)
// and prompt selector. Any out argument may be NULL.
OSStatus SecACLCopySimpleContents(SecACLRef acl, CFArrayRef* applicationList, CFStringRef* description,
                                  CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR* promptSelector);

// Replaces the entry's application list (an array of SecTrustedApplicationRef, or NULL for any
// application), description and prompt selector, in the access object the entry belongs to.
OSStatus SecACLSetSimpleContents(SecACLRef acl, CFArrayRef applicationList, CFStringRef description,
                                 const CSSM_ACL_KEYCHAIN_PROMPT_SELECTOR* promptSelector);

#ifdef __cplusplus
}
#endif
