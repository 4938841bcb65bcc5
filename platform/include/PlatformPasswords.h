// The password source of the keychain services: whoever stands for the user (the host's terminal
// or scripted driver, a test) answers the password prompts of SecKeychainCreate and
// SecKeychainUnlock through it. A platform extension, used by the host and the tests only.
#pragma once

#include <MacTypes.h>

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    kPlatformPasswordUnlock = 0,  // the password of an existing keychain
    kPlatformPasswordCreate = 1   // a new keychain's password (a terminal source asks for it twice)
} PlatformPasswordRequestKind;

typedef struct PlatformPasswordRequest {
    PlatformPasswordRequestKind kind;
    const char* keychainPath;  // UTF-8, the keychain's full path
    UInt32 attempt;            // 1 for the first prompt; an unlock asks at most three times
} PlatformPasswordRequest;

// The room the source gets for a password, in bytes.
enum { kPlatformPasswordCapacity = 1024 };

// Writes the password into buffer (capacity bytes, wiped after use) and its length into *length,
// and answers noErr; or answers userCanceledErr (the user cancelled) or errSecInteractionNotAllowed
// (-25308, nobody can be asked). Any other answer is passed on to the caller of the keychain call.
typedef OSStatus (*PlatformPasswordSource)(void* context, const PlatformPasswordRequest* request, char* buffer,
                                          UInt32 capacity, UInt32* length);

// Installs the process's password source (NULL removes it: prompts then answer
// errSecInteractionNotAllowed).
void PlatformSetPasswordSource(PlatformPasswordSource source, void* context);

// The Argon2id cost of keychains created from now on in this process: opsLimit passes and
// memLimit bytes. 0, 0 restores the default. The cost is stored in each file, so files made with a
// low cost stay readable; production never lowers it. For tests that must stay fast.
void PlatformSetKeychainCreationCostForTesting(UInt64 opsLimit, UInt64 memLimit);

// Keeps unlocked keychain keys in this process instead of the user's kernel keyring, as happens
// when the kernel refuses the keyring. For tests of that mode; false returns to the keyring.
void PlatformUseProcessKeyStoreForTesting(Boolean useProcessStore);

// Memory for the secrets a host holds (passwords read or typed): guarded pages kept out of swap
// where the system allows, wiped when freed. NULL when none could be had; the memory is not
// zero-filled. PlatformSecretFree(NULL) does nothing.
void* PlatformSecretAllocate(size_t size);
void PlatformSecretFree(void* memory);
// Whether the size bytes at a and b are the same, in a time that does not depend on where they
// differ.
Boolean PlatformSecretsEqual(const void* a, const void* b, size_t size);

#ifdef __cplusplus
}
#endif
