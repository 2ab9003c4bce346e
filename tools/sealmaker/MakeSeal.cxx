// quillmark-make-seal: makes the electronic seal that the seal library signs with.

#include "PinEntry.hxx"
#include "SealMaking.hxx"

#include <SealCustody.hxx>
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
           "                           [--pin-fd N] [--pin-minutes M] [--force]\n"
           "                           ORGANISATION [DIRECTORY]\n"
           "       quillmark-make-seal --change-pin [--pin-fd N] [DIRECTORY]\n"
           "\n"
           "Makes an electronic seal for ORGANISATION (UTF-8, e.g. its Chinese name): an SM2 key,\n"
           "its certificate (C=CN, CN=ORGANISATION), and the seal with its picture as the seal\n"
           "authority in the folder AUTHORITY (see quillmark-seal-authority) issues it. Writes\n"
           "them into DIRECTORY (seal.key, seal.crt, seal.esl), the key encrypted under the\n"
           "seal's PIN, with an empty stamping register (stamps.log) and custody.conf. Without\n"
           "--authority the seal is self-made: it signs, but no signature of it ever verifies.\n"
           "The PIN (6 to 127 bytes) is asked twice on the terminal, or read as one line from\n"
           "file descriptor N with --pin-fd N; never from the command line. --change-pin\n"
           "encrypts the key under a new PIN: the current PIN and the new one, asked on the\n"
           "terminal or read as two lines from N (only the new one for a key not yet encrypted).\n"
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
           "  --pin-fd N     read the PIN from file descriptor N\n"
           "  --pin-minutes M  minutes an unlocked key serves before the PIN is asked again,\n"
           "                 0 (every stamp, the default) to "
        << ktxeseal::kLongestPinMinutes
        << "\n"
           "  --force        replace a seal that is already in DIRECTORY (its register is kept\n"
           "                 as stamps-SEALID.log)\n";
}

constexpr long kLongestValidityDays = 36500;

struct Arguments
{
    std::string organisation;
    std::optional<std::string> directory;
    std::optional<std::string> authority;
    SealTerms terms;
    bool replace = false;
    bool changePin = false;
    std::optional<int> pinDescriptor;
    std::optional<int> pinMinutes;
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
        else if (argument == "--pin-fd")
        {
            if (++index == argc)
                throw std::invalid_argument("--pin-fd needs a file descriptor");
            const std::optional<long> descriptor = parseNumber(argv[index], 0, 1 << 20);
            if (!descriptor)
                throw std::invalid_argument("--pin-fd takes a file descriptor number");
            arguments.pinDescriptor = static_cast<int>(*descriptor);
        }
        else if (argument == "--pin-minutes")
        {
            if (++index == argc)
                throw std::invalid_argument("--pin-minutes needs a value");
            const std::optional<long> minutes
                = parseNumber(argv[index], 0, ktxeseal::kLongestPinMinutes);
            if (!minutes)
                throw std::invalid_argument("--pin-minutes takes 0 to "
                                            + std::to_string(ktxeseal::kLongestPinMinutes));
            arguments.pinMinutes = static_cast<int>(*minutes);
        }
        else if (argument == "--change-pin")
            arguments.changePin = true;
        else if (argument == "--force")
            arguments.replace = true;
        else if (argument.size() > 1 && argument[0] == '-' && argument[1] == '-')
            throw std::invalid_argument("unknown option " + argument);
        else if (positional == 0 && !arguments.changePin)
        {
            arguments.organisation = argument;
            ++positional;
        }
        else if (positional == 0)
        {
            arguments.directory = argument;
            positional = 2;
        }
        else if (positional == 1)
        {
            arguments.directory = argument;
            ++positional;
        }
        else
            throw std::invalid_argument("too many arguments");
    }
    if (positional == 0 && !arguments.changePin)
        throw std::invalid_argument("the organisation's name is missing");
    return arguments;
}

/// The new PIN: a line from the descriptor, or typed twice alike at the terminal.
void readNewPin(const Arguments& arguments, Pin& pin)
{
    if (arguments.pinDescriptor)
    {
        pin.readLine(*arguments.pinDescriptor);
        return;
    }
    Pin again;
    pin.askOnTerminal("New PIN of the seal: ");
    again.askOnTerminal("The same PIN again: ");
    if (pin.value() != again.value())
        throw std::runtime_error("the two PINs differ; nothing was changed");
}

std::string sealDirectory(const Arguments& arguments)
{
    const std::optional<std::string> directory
        = arguments.directory ? arguments.directory : ktxeseal::currentSealDirectory();
    if (!directory)
        throw std::runtime_error("no directory given, and neither "
                                 + std::string(ktxeseal::kSealDirectoryVariable)
                                 + " nor HOME is set");
    return *directory;
}

int changePin(const Arguments& arguments)
{
    const std::string directory = sealDirectory(arguments);
    Pin current;
    if (hasProtectedKey(directory))
    {
        if (arguments.pinDescriptor)
            current.readLine(*arguments.pinDescriptor);
        else
            current.askOnTerminal("Current PIN of the seal: ");
    }
    Pin next;
    readNewPin(arguments, next);
    quillmark::sealmaker::changePin(directory, current.value(), next.value());
    if (arguments.pinMinutes && !ktxeseal::writeCustodySettings(directory, *arguments.pinMinutes))
        throw std::runtime_error("cannot write " + directory + "/" + ktxeseal::kCustodyFile);
    std::cout << "The key of the seal in " << directory << " is encrypted under the new PIN."
              << std::endl;
    return EXIT_SUCCESS;
}

int makeSeal(const Arguments& arguments)
{
    const std::string directory = sealDirectory(arguments);
    std::optional<quillmark::authority::Authority> issuer;
    if (arguments.authority)
        issuer = quillmark::authority::loadAuthority(*arguments.authority);
    Pin pin;
    readNewPin(arguments, pin);
    const ktxeseal::Seal seal = quillmark::sealmaker::makeSeal(
        arguments.organisation, issuer ? &*issuer : nullptr, arguments.terms);
    writeSeal(seal, directory, pin.value(), arguments.replace);
    if (arguments.pinMinutes && !ktxeseal::writeCustodySettings(directory, *arguments.pinMinutes))
        throw std::runtime_error("cannot write " + directory + "/" + ktxeseal::kCustodyFile);
    if (arguments.authority)
        quillmark::authority::recordIssuedSeal(*arguments.authority, seal.issued.sealId,
                                               seal.sealDer);
    std::cout << "Seal " << seal.issued.sealId << " of " << seal.issued.name << " made in "
              << directory << ", valid until " << ktxeseal::readableTime(seal.issued.validity.end)
              << ": picture " << arguments.terms.pictureSize << "x" << arguments.terms.pictureSize
              << " px, " << seal.issued.picture.size() << " bytes; signatures up to "
              << ktxeseal::longestSealSignatureLength(seal).value_or(0)
              << " characters. Its key is encrypted under its PIN; the PIN is asked again after "
              << ktxeseal::pinMinutes(directory) << " minutes (0: at every stamp)." << std::endl;
    if (!issuer)
        std::cerr << "quillmark-make-seal: no --authority: the seal is self-made; it signs, "
                     "but no signature of it will verify."
                  << std::endl;
    return EXIT_SUCCESS;
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
        return arguments.changePin ? changePin(arguments) : makeSeal(arguments);
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-make-seal: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
