// The electronic-seal library's Base64 decoder on any text: canonical text has exactly one
// reading, so whatever it accepts must encode back to the very same text.
#include "Base64.hxx"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<ktxeseal::Bytes> decoded = ktxeseal::decodeBase64(text);
    if (decoded
        && ktxeseal::encodeBase64(ktxeseal::ByteRange(decoded->data(), decoded->size())) != text)
        std::abort();
    return 0;
}
