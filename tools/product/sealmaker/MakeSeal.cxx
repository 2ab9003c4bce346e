// quillmark-make-seal: makes the electronic seal that the seal library signs with.

#include "SealMaking.hxx"

#include <SealSignature.hxx>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

std::optional<long> parseNumber(const char* text, long smallest, long largest)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < smallest || value > largest)
        return std::nullopt;
    return value;
}

int parseSize(const char* text)
{
    const std::optional<long> value = parseNumber(text, kSmallestPictureSize, kLargestPictureSize);
    if (!value)
        throw std::invalid_argument("--size takes a number of pixels from "
                                    + std::to_string(kSmallestPictureSize) + " to "
                                    + std::to_string(kLargestPictureSize));
    return static_cast<int>(*value);
}

int parseDays(const char* text)
{
    const std::optional<long> value = parseNumber(text, 1, kLongestValidityDays);
    if (!value)
        throw std::invalid_argument("--valid-days takes a number of days from 1 to "
                                    + std::to_string(kLongestValidityDays));
    return static_cast<int>(*value);
}

Arguments parseArguments(int argc, char** argv)
{
    Arguments arguments;
    int positional = 0;
    for (int index = 1; index < argc; ++index)
    {
        const std::string argument = argv[index];
        if (argument == "--size")
        {
            if (++index == argc)
                throw std::invalid_argument("--size needs a value");
            arguments.terms.pictureSize = parseSize(argv[index]);
        }
        else if (argument == "--valid-days")
        {
            if (++index == argc)
                throw std::invalid_argument("--valid-days needs a value");
            arguments.terms.validDays = parseDays(argv[index]);
        }
        else if (argument == "--authority")
        {
            if (++index == argc)
                throw std::invalid_argument("--authority needs a folder");
            arguments.authority = argv[index];
        }
        else if (argument == "--force")
            arguments.replace = true;
        else if (argument.size() > 1 && argument[0] == '-' && argument[1] == '-')
            throw std::invalid_argument("unknown option " + argument);
        else if (positional == 0)
        {
            arguments.organisation = argument;
            ++positional;
        }
        else if (positional == 1)
        {
            arguments.directory = argument;
            ++positional;
        }
        else
            throw std::invalid_argument("too many arguments");
    }
    if (positional == 0)
        throw std::invalid_argument("the organisation's name is missing");
    return arguments;
}
}

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
    {
        printUsage(std::cout);
        return EXIT_SUCCESS;
    }
    Arguments arguments;
    try
    {
        arguments = parseArguments(argc, argv);
    }
    catch (const std::invalid_argument& error)
    {
        std::cerr << "quillmark-make-seal: " << error.what() << "\n\n";
        printUsage(std::cerr);
        return 2;
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
