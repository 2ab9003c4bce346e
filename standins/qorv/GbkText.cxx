#include "GbkText.hxx"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string.h>

namespace qorv
{
namespace
{
class Converter
{
public:
    Converter(const char* to, const char* from)
        : handle(iconv_open(to, from))
    {
        if (handle == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert to GBK");
    }
    ~Converter() { iconv_close(handle); }
    iconv_t native() const { return handle; }
    /// Back to the initial state, as a freshly opened converter.
    Converter& reset()
    {
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        return *this;
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    /// Converts as much as it can; returns false at the first byte it cannot convert, with
    /// `in` and `left` pointing at it.
    bool convert(char*& in, size_t& left, std::string& out)
    {
        char buffer[256];
        while (left > 0)
        {
            char* next = buffer;
            size_t room = sizeof buffer;
            const size_t result = iconv(handle, &in, &left, &next, &room);
            out.append(buffer, next);
            if (result == static_cast<size_t>(-1) && errno != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t handle;
};

// Opening a converter loads and looks up gconv modules, which costs far more than converting a
// certificate's names: each thread keeps one per direction.
Converter& toGbk()
{
    thread_local Converter converter("GBK", "UTF-8");
    return converter;
}

Converter& fromGbk()
{
    thread_local Converter converter("UTF-8", "GBK");
    return converter;
}

/// Length of the UTF-8 sequence that starts with `lead`, 1 for a byte that starts none.
size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}
}

std::string utf8ToGbk(const std::string& utf8)
{
    Converter& converter = toGbk().reset();
    std::string input(utf8);
    std::string out;
    char* in = input.data();
    size_t left = input.size();
    while (!converter.convert(in, left, out))
    {
        out += '?';
        const size_t skip = std::min(left, utf8SequenceLength(static_cast<unsigned char>(*in)));
        in += skip;
        left -= skip;
    }
    return out;
}

bool gbkToUtf8Secret(const char* gbk, size_t length, char* out, size_t capacity, size_t& written)
{
    written = 0;
    Converter& converter = fromGbk().reset();
    // iconv takes its input as non-const; it only reads it.
    char* in = const_cast<char*>(gbk);
    size_t left = length;
    char* next = out;
    size_t room = capacity;
    if (iconv(converter.native(), &in, &left, &next, &room) == static_cast<size_t>(-1) || left != 0)
    {
        explicit_bzero(out, capacity);
        return false;
    }
    written = capacity - room;
    return true;
}

std::optional<std::string> gbkToUtf8(const std::string& gbk)
{
    Converter& converter = fromGbk().reset();
    std::string input(gbk);
    std::string out;
    char* in = input.data();
    size_t left = input.size();
    if (!converter.convert(in, left, out))
        return std::nullopt;
    return out;
}
}
