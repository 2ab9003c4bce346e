// The seal signature as a document carries it: any text, opened and checked as verification
// does. What opens must be internally sound.
#include "SealSignature.hxx"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<ktxeseal::SealSignatureContent> content = ktxeseal::openSealSignature(text);
    if (!content)
        return 0;
    if (content->certificateDer.empty() || content->pictureWidth < 0 || content->pictureHeight < 0)
        std::abort();
    const unsigned char sample[] = "text";
    ktxeseal::signsText(*content, ktxeseal::ByteRange(sample, sizeof sample - 1));
    return 0;
}
