// An issued seal as a seal directory or a signature carries it: any bytes, opened as the seal
// library opens a seal. What opens must be internally sound.
#include "IssuedSeal.hxx"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::optional<ktxeseal::IssuedSeal> seal
        = ktxeseal::openIssuedSeal(ktxeseal::ByteRange(data, size));
    if (!seal)
        return 0;
    if (!ktxeseal::isValidSealName(seal->name) || !ktxeseal::isValidSealId(seal->sealId)
        || seal->signerCertificates.empty()
        || seal->signerCertificates.size() > ktxeseal::kMaximumSignerCertificates
        || seal->authorityCertificateDer.empty() || seal->validity.start > seal->validity.end
        || seal->picture.empty())
        std::abort();
    ktxeseal::listsSigner(*seal, seal->authorityCertificateDer);
    return 0;
}
