// Base64 as the signature text carries it: one line, padded, nothing else.

#include "Base64.hxx"

namespace ktxeseal
{
namespace
{
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kNotInAlphabet = -1;

int sextet(char character)
{
    if (character >= 'A' && character <= 'Z')
        return character - 'A';
    if (character >= 'a' && character <= 'z')
        return character - 'a' + 26;
    if (character >= '0' && character <= '9')
        return character - '0' + 52;
    if (character == '+')
        return 62;
    if (character == '/')
        return 63;
    return kNotInAlphabet;
}
}

std::string encodeBase64(ByteRange data)
{
    std::string text;
    text.reserve((data.size + 2) / 3 * 4);
    for (size_t offset = 0; offset < data.size; offset += 3)
    {
        const size_t count = std::min<size_t>(3, data.size - offset);
        unsigned long group = static_cast<unsigned long>(data.data[offset]) << 16;
        if (count > 1)
            group |= static_cast<unsigned long>(data.data[offset + 1]) << 8;
        if (count > 2)
            group |= data.data[offset + 2];
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += count > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        text += count > 2 ? kAlphabet[group & 63] : '=';
    }
    return text;
}

std::optional<Bytes> decodeBase64(std::string_view text)
{
    if (text.empty() || text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    if (text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;

    Bytes data;
    data.reserve(text.size() / 4 * 3);
    for (size_t offset = 0; offset < text.size(); offset += 4)
    {
        const bool lastGroup = offset + 4 == text.size();
        const size_t significant = lastGroup ? 4 - padding : 4;
        unsigned long group = 0;
        for (size_t index = 0; index < 4; ++index)
        {
            int value = 0;
            if (index < significant)
            {
                value = sextet(text[offset + index]);
                if (value == kNotInAlphabet)
                    return std::nullopt;
            }
            group = (group << 6) | static_cast<unsigned long>(value);
        }
        const size_t byteCount = significant - 1;
        // Bits below the last whole byte must be zero, or two texts would decode alike.
        if (byteCount < 3 && (group & ((1UL << (8 * (3 - byteCount))) - 1)) != 0)
            return std::nullopt;
        for (size_t index = 0; index < byteCount; ++index)
            data.push_back(static_cast<unsigned char>(group >> (16 - 8 * index)));
    }
    return data;
}
}
