// The keychain's cryptography, all from libsodium: the master key from the password (Argon2id),
// its subkeys, the password verifier, hashes, and sealing records (XChaCha20-Poly1305).
#pragma once

#include "security/KeychainFormat.h"
#include "base/Result.h"
#include "security/SecretBuffer.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace platform::security {

// What each subkey of the master key is for.
enum class Subkey : uint64_t { Verifier = 1, Index = 2, Items = 3 };

// Argon2id over the password with the header's salt and cost; the cost must already be in bounds.
Result<SecretBuffer> DeriveMasterKey(std::span<const uint8_t> password, const KeychainHeader& header);
SecretBuffer DeriveSubkey(std::span<const uint8_t> masterKey, Subkey which);

std::array<uint8_t, kVerifierSize> ComputeVerifier(std::span<const uint8_t> masterKey,
                                                   std::span<const uint8_t> fixedHeader);
// Unkeyed 32-byte BLAKE2b of the concatenated parts.
std::array<uint8_t, 32> HashParts(std::span<const uint8_t> first, std::span<const uint8_t> second = {});

// Nonce, then ciphertext and tag, with ad bound as associated data.
std::vector<uint8_t> Seal(std::span<const uint8_t> key, std::span<const uint8_t> ad,
                          std::span<const uint8_t> plaintext);
// The plaintext in secret memory, or errSecInvalidKeychain when the record does not authenticate.
Result<SecretBuffer> Open(std::span<const uint8_t> key, std::span<const uint8_t> ad, std::span<const uint8_t> sealed);

void FillRandom(std::span<uint8_t> bytes);
// Constant-time comparison of two equally long byte strings.
bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b);

}  // namespace platform::security
