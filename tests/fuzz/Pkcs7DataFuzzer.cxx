// PKCS#7 data as the component decodes it: the length first, then the content into an area of
// exactly that length.
#include "Pkcs7Decoding.hxx"

#include <climits>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    if (size == 0 || size > INT_MAX / 2)
        return 0;
    const int length = static_cast<int>(size);
    int plainLength = -1;
    const int status = qorv::decodeData(data, length, nullptr, &plainLength);
    if (plainLength < 0 || static_cast<size_t>(plainLength) > size)
        std::abort();
    std::vector<unsigned char> plain(static_cast<size_t>(plainLength));
    int written = -1;
    if (qorv::decodeData(data, length, plain.data(), &written) != status || written != plainLength)
        std::abort();
    return 0;
}
