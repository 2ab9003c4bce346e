// SM2 signatures over SM3 digests, bound to the signer's distinguishing ID.

#include "Sm2.hxx"

namespace ktxeseal
{
namespace
{
constexpr size_t kSm2DefaultIdLength = sizeof(kSm2DefaultId) - 1;

/// The ID must reach the context after initialisation and before the first data: the provider
/// computes the signer's Z value from it on the first update.
OwnedPtr<EVP_MD_CTX> newSm2Context(EVP_PKEY* key, bool signing)
{
    if (!isSm2Key(key))
        return nullptr;
    OwnedPtr<EVP_MD_CTX> context(EVP_MD_CTX_new());
    if (!context)
        return nullptr;
    EVP_PKEY_CTX* keyContext = nullptr; // owned by the digest context
    const int initialised = signing ? EVP_DigestSignInit_ex(context.get(), &keyContext, "SM3",
                                                            nullptr, nullptr, key, nullptr)
                                    : EVP_DigestVerifyInit_ex(context.get(), &keyContext, "SM3",
                                                              nullptr, nullptr, key, nullptr);
    if (initialised != 1 || !keyContext)
        return nullptr;
    if (EVP_PKEY_CTX_set1_id(keyContext, kSm2DefaultId, kSm2DefaultIdLength) <= 0)
        return nullptr;
    return context;
}
}

bool isSm2Key(const EVP_PKEY* key) { return key && EVP_PKEY_is_a(key, "SM2"); }

OwnedPtr<EVP_MD_CTX> newSm2SigningContext(EVP_PKEY* key) { return newSm2Context(key, true); }

std::optional<Bytes> sm2Sign(EVP_PKEY* key, ByteRange message)
{
    OwnedPtr<EVP_MD_CTX> context = newSm2Context(key, true);
    if (!context)
        return std::nullopt;
    size_t length = 0;
    if (EVP_DigestSign(context.get(), nullptr, &length, message.data, message.size) != 1)
        return std::nullopt;
    Bytes signature(length);
    if (EVP_DigestSign(context.get(), signature.data(), &length, message.data, message.size) != 1)
        return std::nullopt;
    signature.resize(length);
    return signature;
}

bool sm2Verify(EVP_PKEY* key, ByteRange message, ByteRange signature)
{
    OwnedPtr<EVP_MD_CTX> context = newSm2Context(key, false);
    return context
           && EVP_DigestVerify(context.get(), signature.data, signature.size, message.data,
                               message.size)
                  == 1;
}

Bytes sm3Digest(ByteRange data)
{
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_Digest(data.data, data.size, digest.data(), &length, EVP_sm3(), nullptr) != 1)
        return {};
    digest.resize(length);
    return digest;
}
}
