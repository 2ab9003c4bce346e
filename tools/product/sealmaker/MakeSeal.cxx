// quillmark-make-seal: makes the electronic seal that the seal library signs with.

#include "SealMaking.hxx"

#include <CommandLine.hxx>
#include <SealSignature.hxx>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

namespace
{
using namespace quillmark::sealmaker;

void printUsage(std::ostream& out)
{
    out << "Usage: quillmark-make-seal [--authority AUTHORITY] [--valid-days N] [--size PIXELS]\n"
           "                           [--force] ORGANISATION [DIRECTORY]\n"
           "\n"
           "Makes an electronic seal for ORGANISATION (UTF-8, e.g. its Chinese name): an SM2 key,\n"
           "its certificate (C=CN, CN=ORGANISATION), and the seal with its picture as the seal\n"
           "authority in the folder AUTHORITY (see quillmark-seal-authority) issues it. Writes\n"
           "them into DIRECTORY (seal.key, seal.crt, seal.esl). Without --authority the seal is\n"
           "self-made: it signs, but no signature of it ever verifies.\n"
           "\n"
           "DIRECTORY defaults to $"
        << ktxeseal::kSealDirectoryVariable << ", else $HOME/"
        << ktxeseal::kDefaultSealDirectoryInHome
        << ", where the seal library looks.\n"
           "  --authority AUTHORITY  the folder of the seal authority that issues the seal\n"
           "  --valid-days N         days the seal and its certificate are valid (default "
        << kDefaultValidityDays
        << ")\n"
           "  --size PIXELS  width and height of the picture, "
        << kSmallestPictureSize << " to " << kLargestPictureSize << " (default "
        << kDefaultPictureSize
        << ")\n"
           "  --force        replace a seal that is already in DIRECTORY\n";
}

constexpr long kLongestValidityDays = 36500;

struct Arguments
{
    std::string organisation;
    std::optional<std::string> directory;
    std::optional<std::string> authority;
    SealTerms terms;
    bool replace = false;
};

enum Option
{
    kAuthority = 0x100,
    kValidDays,
    kSize,
    kForce,
    kHelp = 'h'
};

/// What `argv` asks for; nothing when it asks for help.
std::optional<Arguments> parseArguments(int argc, char** argv)
{
    using quillmark::commandline::number;
    using quillmark::commandline::OptionScanner;
    using quillmark::commandline::UsageError;
    Arguments arguments;
    int positional = 0;
    OptionScanner options(argc, argv,
                          { { "authority", required_argument, nullptr, kAuthority },
                            { "valid-days", required_argument, nullptr, kValidDays },
                            { "size", required_argument, nullptr, kSize },
                            { "force", no_argument, nullptr, kForce },
                            { "help", no_argument, nullptr, kHelp } },
                          "h");
    for (int found = options.next(); found != OptionScanner::kEnd; found = options.next())
    {
        switch (found)
        {
            case kSize:
                arguments.terms.pictureSize = static_cast<int>(
                    number(options.value(), kSmallestPictureSize, kLargestPictureSize, "--size"));
                break;
            case kValidDays:
                arguments.terms.validDays = static_cast<int>(
                    number(options.value(), 1, kLongestValidityDays, "--valid-days"));
                break;
            case kAuthority:
                arguments.authority = options.value();
                break;
            case kForce:
                arguments.replace = true;
                break;
            case kHelp:
                return std::nullopt;
            case OptionScanner::kOperand:
                if (positional == 0)
                    arguments.organisation = options.value();
                else if (positional == 1)
                    arguments.directory = options.value();
                else
                    throw UsageError("too many arguments");
                ++positional;
                break;
        }
    }
    if (positional == 0)
        throw UsageError("the organisation's name is missing");
    return arguments;
}
}

int main(int argc, char** argv)
{
    Arguments arguments;
    try
    {
        const std::optional<Arguments> asked = parseArguments(argc, argv);
        if (!asked)
        {
            printUsage(std::cout);
            return EXIT_SUCCESS;
        }
        arguments = *asked;
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-make-seal: " << error.what() << "\n\n";
        printUsage(std::cerr);
        return quillmark::commandline::kUsageStatus;
    }
    try
    {
        const std::optional<std::string> directory
            = arguments.directory ? arguments.directory : ktxeseal::currentSealDirectory();
        if (!directory)
            throw std::runtime_error("no directory given, and neither "
                                     + std::string(ktxeseal::kSealDirectoryVariable)
                                     + " nor HOME is set");
        std::optional<quillmark::authority::Authority> issuer;
        if (arguments.authority)
            issuer = quillmark::authority::loadAuthority(*arguments.authority);
        const ktxeseal::Seal seal
            = makeSeal(arguments.organisation, issuer ? &*issuer : nullptr, arguments.terms);
        writeSeal(seal, *directory, arguments.replace);
        std::cout << "Seal " << seal.issued.sealId << " of " << seal.issued.name << " made in "
                  << *directory << ", valid until "
                  << ktxeseal::readableTime(seal.issued.validity.end) << ": picture "
                  << arguments.terms.pictureSize << "x" << arguments.terms.pictureSize << " px, "
                  << seal.issued.picture.size() << " bytes; signatures up to "
                  << ktxeseal::longestSealSignatureLength(seal).value_or(0) << " characters."
                  << std::endl;
        if (!issuer)
            std::cerr << "quillmark-make-seal: no --authority: the seal is self-made; it signs, "
                         "but no signature of it will verify."
                      << std::endl;
        return EXIT_SUCCESS;
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-make-seal: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
