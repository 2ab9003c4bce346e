/// Secrets (PINs) in text: overwritten where they lie before they are let go, so that no copy
/// stays behind in freed memory.
#pragma once

#include <common/UnoHelpers.hxx>

#include <rtl/textcvt.h>
#include <string.h>
#include <vector>

namespace quillmark
{
/// The runtime's flag for string literals that live in read-only memory.
constexpr oslInterlockedCount kStaticStringFlag = 0x40000000;

/// Wipes the characters and empties `text`. Other holders of the same buffer (the PIN box that
/// handed the PIN over) see it wiped too, which is what a PIN asks for.
inline void wipeSecret(OUString& text)
{
    rtl_uString* data = text.pData;
    if (data->length > 0 && !(data->refCount & kStaticStringFlag))
        explicit_bzero(data->buffer, sizeof(sal_Unicode) * static_cast<size_t>(data->length));
    text.clear();
}

/// Bytes of a secret, NUL-terminated, allocated once and wiped when they end.
class SecretBytes
{
public:
    explicit SecretBytes(size_t capacity)
        : bytes(capacity + 1, '\0')
    {
    }
    ~SecretBytes()
    {
        if (!bytes.empty())
            explicit_bzero(bytes.data(), bytes.size());
    }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    SecretBytes(SecretBytes&&) = default;

    char* data() { return bytes.data(); }
    size_t capacity() const { return bytes.size() - 1; }

private:
    std::vector<char> bytes;
};

/// A secret in GBK as `toGbk` converts it, straight into wiped storage: the runtime's string
/// conversion would leave resized copies behind.
inline SecretBytes toGbkSecret(const OUString& text)
{
    // A UTF-16 unit is at most two GBK bytes.
    SecretBytes secret(2 * static_cast<size_t>(text.getLength()));
    rtl_UnicodeToTextConverter converter = rtl_createUnicodeToTextConverter(kGbkEncoding);
    sal_uInt32 info = 0;
    sal_Size converted = 0;
    rtl_convertUnicodeToText(converter, nullptr, text.getStr(), text.getLength(), secret.data(),
                             secret.capacity(), kToBytesFlags, &info, &converted);
    rtl_destroyUnicodeToTextConverter(converter);
    return secret;
}
}
