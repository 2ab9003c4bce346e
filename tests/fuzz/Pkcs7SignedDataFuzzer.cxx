// PKCS#7 signed data as a certificate seal carries it, decoded into output areas of exactly the
// sizes the library promises to keep to (its smallest areas, or the input's length when longer).
// The seeds' authority is trusted, so mutations reach what follows a verified signature too.
#include "Pkcs7Decoding.hxx"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    if (size == 0 || size > INT_MAX / 2)
        return 0;
    std::vector<unsigned char> signer(std::max(qorv::kSignerArea, size));
    std::vector<unsigned char> content(std::max(qorv::kContentArea, size));
    std::vector<unsigned char> certificates(std::max(qorv::kCertificatesArea, size));
    int signerLength = -1;
    int signerCount = -1;
    int contentLength = -1;
    int certificatesLength = -1;
    const int status = qorv::decodeSignedData(
        data, static_cast<int>(size), signer.data(), &signerLength, &signerCount, content.data(),
        &contentLength, certificates.data(), &certificatesLength, FUZZ_TRUST_STORE);
    const auto within = [](int length, const std::vector<unsigned char>& area) {
        return length >= 0 && static_cast<size_t>(length) <= area.size();
    };
    if (!within(signerLength, signer) || !within(contentLength, content)
        || !within(certificatesLength, certificates) || signerCount < 0
        || (status == 0 && signerCount == 0))
        std::abort();
    return 0;
}
