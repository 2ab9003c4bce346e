/// quillmark-cert-seal's command line.
#pragma once

#include "DocumentSeal.hxx"

#include <ostream>
#include <string>

namespace quillmark::certseal
{
struct Arguments
{
    bool help = false;
    bool verify = false;
    std::string document;
    /// Where the PIN comes from: a file descriptor, or -1 for the environment or standard input.
    int pinFd = -1;
    std::string name;
    std::string picture;
    std::string output;
    /// The seal folder whose stamping register records the seal; empty for the seal library's.
    std::string registerDirectory;
    SealPlacement placement;
};

/// What `argv` asks for. A command line the tool cannot take, a PIN among the arguments
/// included, is a UsageError.
Arguments parseArguments(int argc, char** argv);

void printUsage(std::ostream& out);
}
