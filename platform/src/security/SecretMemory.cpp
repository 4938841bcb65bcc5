// Secret memory for the host's passwords, from the same guarded allocator as the keychain's own
// secrets.
#include "security/SecretBuffer.h"

#include <PlatformPasswords.h>

#include <sodium.h>

void* PlatformSecretAllocate(size_t size)
{
    if (!platform::security::EnsureSodium()) {
        return nullptr;
    }
    return sodium_malloc(size);
}

void PlatformSecretFree(void* memory)
{
    if (memory != nullptr) {
        // sodium_free wipes the whole allocation before it frees it.
        sodium_free(memory);
    }
}

Boolean PlatformSecretsEqual(const void* a, const void* b, size_t size)
{
    return size == 0 || sodium_memcmp(a, b, size) == 0;
}
