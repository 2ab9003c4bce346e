// PINs as the seal tools take them: a line from a file descriptor the caller opened, or typed at
// the terminal without echo; never from the command line, where other users could read it.
#pragma once

#include <string>
#include <string_view>

namespace quillmark::sealmaker
{
/// A PIN held while a tool works with it, wiped when it ends. Its storage is reserved once, so
/// no copy is left behind by a reallocation.
class Pin
{
public:
    Pin();
    ~Pin();
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

    std::string_view value() const { return text; }

    /// One line from the descriptor, without its line end. Throws std::runtime_error when the
    /// line is longer than a PIN may be.
    void readLine(int descriptor);

    /// Asks for it on the terminal with `prompt`, echo off. Throws std::runtime_error when the
    /// process has no terminal.
    void askOnTerminal(const char* prompt);

private:
    std::string text;
};
}
