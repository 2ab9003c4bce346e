// GetESealSigner: who made a signature, told apart by a fingerprint of the seal and the signer.

#include "OpenSslPointers.hxx"
#include "SealSignature.hxx"

#include <KTXESealSigner.h>
#include <openssl/err.h>

#include <cstring>
#include <string>
#include <type_traits>

#define KTXESEAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{
void appendField(std::string& out, const unsigned char* data, size_t size)
{
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<char>((static_cast<unsigned long long>(size) >> shift) & 0xff));
    out.append(reinterpret_cast<const char*>(data), size);
}

/// SM3 over the seal's identity and the signer's certificate, each length-prefixed: the seal id,
/// its organisation, its authority's certificate, and the certificate that signed.
std::string fingerprintOf(const ktxeseal::SealSignatureContent& content)
{
    std::string identity;
    const ktxeseal::IssuedSeal& seal = content.seal;
    appendField(identity, reinterpret_cast<const unsigned char*>(seal.sealId.data()),
                seal.sealId.size());
    appendField(identity, reinterpret_cast<const unsigned char*>(seal.name.data()),
                seal.name.size());
    appendField(identity, seal.authorityCertificateDer.data(), seal.authorityCertificateDer.size());
    appendField(identity, content.signerCertificateDer.data(), content.signerCertificateDer.size());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(identity.data(), identity.size(), digest, &length, EVP_sm3(), nullptr) != 1)
        return std::string();
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i)
    {
        text.push_back(hex[digest[i] >> 4]);
        text.push_back(hex[digest[i] & 0xf]);
    }
    return text;
}

bool put(const std::string& text, char* area, int size)
{
    if (!area || size <= 0 || text.size() >= static_cast<size_t>(size))
        return false;
    std::memcpy(area, text.c_str(), text.size() + 1);
    return true;
}
}

KTXESEAL_EXPORT int GetESealSigner(const char* signature, int signatureLength, char* sealId,
                                   int sealIdSize, char* organisation, int organisationSize,
                                   char* fingerprint, int fingerprintSize)
{
    struct ErrorScope
    {
        ~ErrorScope() { ERR_clear_error(); }
    } errors;
    try
    {
        for (auto [area, size] :
             { std::pair{ sealId, sealIdSize }, std::pair{ organisation, organisationSize },
               std::pair{ fingerprint, fingerprintSize } })
            if (area && size > 0)
                area[0] = '\0';
        if (!signature || signatureLength <= 0)
            return 0;
        const std::optional<ktxeseal::SealSignatureContent> content = ktxeseal::openSealSignature(
            std::string_view(signature, strnlen(signature, static_cast<size_t>(signatureLength))));
        if (!content)
            return 0;
        const std::string print = fingerprintOf(*content);
        return !print.empty() && put(content->seal.sealId, sealId, sealIdSize)
                       && put(content->seal.name, organisation, organisationSize)
                       && put(print, fingerprint, fingerprintSize)
                   ? 1
                   : 0;
    }
    catch (...)
    {
        return 0;
    }
}

static_assert(std::is_same_v<decltype(&GetESealSigner), GetESealSignerFunction>);
