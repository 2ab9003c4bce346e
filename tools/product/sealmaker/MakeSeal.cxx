// quillmark-make-seal: makes the electronic seal that the seal library signs with.

#include "PinEntry.hxx"
#include "SealMaking.hxx"

#include <CommandLine.hxx>
#include <SealCustody.hxx>
#include <SealSignature.hxx>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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

enum Option
{
    kAuthority = 0x100,
    kValidDays,
    kSize,
    kForce,
    kPinFd,
    kPinMinutes,
    kChangePin,
    kHelp = 'h'
};

/// What `argv` asks for; nothing when it asks for help.
std::optional<Arguments> parseArguments(int argc, char** argv)
{
    using quillmark::commandline::number;
    using quillmark::commandline::OptionScanner;
    using quillmark::commandline::UsageError;
    Arguments arguments;
    std::vector<std::string> operands;
    OptionScanner options(argc, argv,
                          { { "authority", required_argument, nullptr, kAuthority },
                            { "valid-days", required_argument, nullptr, kValidDays },
                            { "size", required_argument, nullptr, kSize },
                            { "force", no_argument, nullptr, kForce },
                            { "pin-fd", required_argument, nullptr, kPinFd },
                            { "pin-minutes", required_argument, nullptr, kPinMinutes },
                            { "change-pin", no_argument, nullptr, kChangePin },
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
            case kPinFd:
                arguments.pinDescriptor
                    = static_cast<int>(number(options.value(), 0, 1 << 20, "--pin-fd"));
                break;
            case kPinMinutes:
                arguments.pinMinutes = static_cast<int>(
                    number(options.value(), 0, ktxeseal::kLongestPinMinutes, "--pin-minutes"));
                break;
            case kChangePin:
                arguments.changePin = true;
                break;
            case kHelp:
                return std::nullopt;
            case OptionScanner::kOperand:
                operands.push_back(options.value());
                break;
        }
    }
    // Changing the PIN names a folder at most; making a seal, its organisation first.
    const size_t most = arguments.changePin ? 1 : 2;
    if (operands.size() > most)
        throw UsageError("too many arguments");
    if (!arguments.changePin)
    {
        if (operands.empty())
            throw UsageError("the organisation's name is missing");
        arguments.organisation = operands[0];
        operands.erase(operands.begin());
    }
    if (!operands.empty())
        arguments.directory = operands[0];
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
        return arguments.changePin ? changePin(arguments) : makeSeal(arguments);
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-make-seal: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
