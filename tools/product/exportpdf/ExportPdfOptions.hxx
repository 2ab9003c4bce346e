/// quillmark-export-pdf's command line.
#pragma once

#include <ostream>
#include <string>

namespace quillmark::exportpdf
{
struct Arguments
{
    bool help = false;
    std::string document;
    std::string output;
    /// Where the seal's and the token's PINs come from: a file descriptor, or -1.
    int pinFd = -1;
    int tokenPinFd = -1;
};

/// What `argv` asks for; a command line the tool cannot take is a UsageError.
Arguments parseArguments(int argc, char** argv);

void printUsage(std::ostream& out);
}
