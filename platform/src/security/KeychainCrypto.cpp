#include "security/KeychainCrypto.h"

#include <Security/SecBase.h>

#include <sodium.h>

namespace platform::security {
namespace {

// The context of every subkey derivation: eight bytes naming this file format.
constexpr char kKdfContext[crypto_kdf_CONTEXTBYTES] = {'S', 'W', 'K', 'E', 'Y', 'C', 'H', 'N'};

static_assert(kMasterKeySize == crypto_kdf_KEYBYTES);
static_assert(kSaltSize == crypto_pwhash_SALTBYTES);
static_assert(kNonceSize == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(kTagSize == crypto_aead_xchacha20poly1305_ietf_ABYTES);

}  // namespace

Result<SecretBuffer> DeriveMasterKey(std::span<const uint8_t> password, const KeychainHeader& header)
{
    if (!EnsureSodium()) {
        return Failure{errSecNotAvailable};
    }
    SecretBuffer key(kMasterKeySize);
    if (!key.Valid()) {
        return Failure{errSecAllocate};
    }
    // An empty password still needs a valid pointer.
    static const char kEmpty = 0;
    const char* text = password.empty() ? &kEmpty : reinterpret_cast<const char*>(password.data());
    if (crypto_pwhash(key.Data(), key.Size(), text, password.size(), header.salt.data(), header.opsLimit,
                      static_cast<size_t>(header.memLimit), crypto_pwhash_ALG_ARGON2ID13) != 0) {
        // Argon2id fails only when its memory cannot be had.
        return Failure{errSecAllocate};
    }
    return key;
}

SecretBuffer DeriveSubkey(std::span<const uint8_t> masterKey, Subkey which)
{
    SecretBuffer subkey(crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
    if (subkey.Valid()) {
        crypto_kdf_derive_from_key(subkey.Data(), subkey.Size(), static_cast<uint64_t>(which), kKdfContext,
                                   masterKey.data());
    }
    return subkey;
}

std::array<uint8_t, kVerifierSize> ComputeVerifier(std::span<const uint8_t> masterKey,
                                                   std::span<const uint8_t> fixedHeader)
{
    std::array<uint8_t, kVerifierSize> verifier{};
    SecretBuffer key = DeriveSubkey(masterKey, Subkey::Verifier);
    if (key.Valid()) {
        crypto_generichash(verifier.data(), verifier.size(), fixedHeader.data(), fixedHeader.size(), key.Data(),
                           key.Size());
    }
    return verifier;
}

std::array<uint8_t, 32> HashParts(std::span<const uint8_t> first, std::span<const uint8_t> second)
{
    EnsureSodium();
    std::array<uint8_t, 32> hash{};
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, hash.size());
    crypto_generichash_update(&state, first.data(), first.size());
    crypto_generichash_update(&state, second.data(), second.size());
    crypto_generichash_final(&state, hash.data(), hash.size());
    return hash;
}

std::vector<uint8_t> Seal(std::span<const uint8_t> key, std::span<const uint8_t> ad,
                          std::span<const uint8_t> plaintext)
{
    std::vector<uint8_t> sealed(kNonceSize + plaintext.size() + kTagSize);
    randombytes_buf(sealed.data(), kNonceSize);
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(sealed.data() + kNonceSize, &written, plaintext.data(),
                                               plaintext.size(), ad.data(), ad.size(), nullptr, sealed.data(),
                                               key.data());
    return sealed;
}

Result<SecretBuffer> Open(std::span<const uint8_t> key, std::span<const uint8_t> ad, std::span<const uint8_t> sealed)
{
    if (sealed.size() < kSealOverhead) {
        return Failure{errSecInvalidKeychain};
    }
    SecretBuffer plaintext(sealed.size() - kSealOverhead);
    if (!plaintext.Valid()) {
        return Failure{errSecAllocate};
    }
    unsigned long long written = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plaintext.Data(), &written, nullptr, sealed.data() + kNonceSize,
                                                   sealed.size() - kNonceSize, ad.data(), ad.size(), sealed.data(),
                                                   key.data()) != 0) {
        return Failure{errSecInvalidKeychain};
    }
    return plaintext;
}

void FillRandom(std::span<uint8_t> bytes)
{
    EnsureSodium();
    randombytes_buf(bytes.data(), bytes.size());
}

bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b)
{
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace platform::security
