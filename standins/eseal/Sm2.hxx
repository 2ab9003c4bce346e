// SM2 signatures over SM3 digests, bound to the signer's distinguishing ID.
#pragma once

#include "OpenSslPointers.hxx"

#include <optional>

namespace ktxeseal
{
/// The distinguishing ID that signers and verifiers use when they name none (GM/T 0009). OpenSSL
/// 3.0 would use an empty ID instead and then disagree with every other SM2 implementation.
inline constexpr char kSm2DefaultId[] = "1234567812345678";

bool isSm2Key(const EVP_PKEY* key);

/// A digest-signing context for SM2-with-SM3 under the default ID, ready for EVP_DigestSign or
/// X509_sign_ctx; empty when the key is not an SM2 key or OpenSSL refuses.
OwnedPtr<EVP_MD_CTX> newSm2SigningContext(EVP_PKEY* key);

/// The DER SM2 signature of the message, or nothing on failure.
std::optional<Bytes> sm2Sign(EVP_PKEY* key, ByteRange message);

bool sm2Verify(EVP_PKEY* key, ByteRange message, ByteRange signature);

/// The SM3 digest (32 bytes) of the data; empty on failure.
Bytes sm3Digest(ByteRange data);
}
