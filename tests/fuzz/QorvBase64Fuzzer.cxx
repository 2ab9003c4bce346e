// The certificate library's Base64 decoder on any text, into an output area of exactly the size
// the component reserves for it, so that one byte written past it is a sanitizer report.
#include "CertificateAreas.hxx"
#include "Pkcs7Decoding.hxx"

#include <climits>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    if (size > INT_MAX / 2)
        return 0;
    const int length = static_cast<int>(size);
    // An area of no bytes is still an area: new[] hands out a pointer the sanitizer watches.
    const int capacity = quillmark::base64DecodedCapacity(length);
    const std::unique_ptr<unsigned char[]> out(new unsigned char[static_cast<size_t>(capacity)]);
    int outLength = -1;
    const int status = qorv::decodeBase64(data, length, out.get(), &outLength);
    if (outLength < 0 || outLength > capacity || (status != 0 && outLength != 0))
        std::abort();
    return 0;
}
