// PINs as the seal tools take them.

#include "PinEntry.hxx"

#include <ProtectedKey.hxx>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string.h>
#include <termios.h>
#include <unistd.h>

namespace quillmark::sealmaker
{
namespace
{
/// Longer than any PIN, so that an over-long line is told from a PIN.
constexpr size_t kLongestLine = ktxeseal::kLongestPin + 1;

/// Echo off on the terminal while a PIN is typed; restored however the reading ends.
class QuietTerminal
{
public:
    explicit QuietTerminal(int descriptor)
        : descriptor(descriptor)
    {
        if (tcgetattr(descriptor, &saved) != 0)
            return;
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quieted = tcsetattr(descriptor, TCSAFLUSH, &quiet) == 0;
    }
    ~QuietTerminal()
    {
        if (quieted)
            tcsetattr(descriptor, TCSAFLUSH, &saved);
    }
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;

private:
    int descriptor;
    termios saved{};
    bool quieted = false;
};

void writeText(int descriptor, std::string_view text)
{
    while (!text.empty())
    {
        const ssize_t count = ::write(descriptor, text.data(), text.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        text.remove_prefix(static_cast<size_t>(count));
    }
}
}

Pin::Pin() { text.reserve(kLongestLine + 1); }

Pin::~Pin() { explicit_bzero(text.data(), text.capacity()); }

void Pin::readLine(int descriptor)
{
    explicit_bzero(text.data(), text.capacity());
    text.clear();
    char byte = 0;
    for (;;)
    {
        const ssize_t got = ::read(descriptor, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == '\n')
            break;
        if (text.size() == kLongestLine)
        {
            explicit_bzero(&byte, sizeof byte);
            throw std::runtime_error("the PIN is longer than "
                                     + std::to_string(ktxeseal::kLongestPin) + " bytes");
        }
        text.push_back(byte);
    }
    explicit_bzero(&byte, sizeof byte);
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
}

void Pin::askOnTerminal(const char* prompt)
{
    const int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (terminal < 0)
        throw std::runtime_error("there is no terminal to ask for the PIN on; give it on a file "
                                 "descriptor with --pin-fd");
    struct Closer
    {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{ terminal };
    writeText(terminal, prompt);
    {
        QuietTerminal quiet(terminal);
        readLine(terminal);
    }
    writeText(terminal, "\n");
}
}
