// The seal signature as a document carries it: any text, opened and judged as verification
// does. What opens must be internally sound, and nothing opens as valid without a trusted
// authority.
#include "SealSignature.hxx"
#include "SealVerification.hxx"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<ktxeseal::SealSignatureContent> content = ktxeseal::openSealSignature(text);
    const unsigned char sample[] = "text";
    const ktxeseal::ByteRange sampleBytes(sample, sizeof sample - 1);
    if (ktxeseal::assessSealSignature(text, sampleBytes, {}).verdict
        == ktxeseal::SealVerdict::Valid)
        std::abort();
    if (!content)
        return 0;
    const ktxeseal::IssuedSeal& seal = content->seal;
    if (content->signerCertificateDer.empty() || seal.authorityCertificateDer.empty()
        || seal.signerCertificates.empty() || seal.pictureWidth <= 0 || seal.pictureHeight <= 0
        || seal.validity.start > seal.validity.end)
        std::abort();
    ktxeseal::signsText(*content, sampleBytes);
    return 0;
}
