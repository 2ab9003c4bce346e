// Seal names are UTF-8 text.

#include "Utf8.hxx"

namespace ktxeseal
{
namespace
{
bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

/// Length of the sequence that starts with this byte and the smallest value it may encode.
bool sequenceShape(unsigned char lead, size_t& length, unsigned long& smallest)
{
    if (lead < 0x80)
    {
        length = 1;
        smallest = 0;
    }
    else if ((lead & 0xE0) == 0xC0)
    {
        length = 2;
        smallest = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        length = 3;
        smallest = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        length = 4;
        smallest = 0x10000;
    }
    else
        return false;
    return true;
}
}

std::optional<std::vector<std::string_view>> splitUtf8Characters(std::string_view text)
{
    std::vector<std::string_view> characters;
    size_t offset = 0;
    while (offset < text.size())
    {
        const auto lead = static_cast<unsigned char>(text[offset]);
        size_t length = 0;
        unsigned long smallest = 0;
        if (!sequenceShape(lead, length, smallest) || length > text.size() - offset)
            return std::nullopt;
        unsigned long value = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t index = 1; index < length; ++index)
        {
            const auto byte = static_cast<unsigned char>(text[offset + index]);
            if (!isContinuation(byte))
                return std::nullopt;
            value = (value << 6) | (byte & 0x3F);
        }
        if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return std::nullopt;
        characters.push_back(text.substr(offset, length));
        offset += length;
    }
    return characters;
}
}
