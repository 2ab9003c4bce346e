#include "CertSealOptions.hxx"

#include <CommandLine.hxx>

#include <climits>
#include <vector>

namespace quillmark::certseal
{
namespace
{
using commandline::number;
using commandline::OptionScanner;

enum Option
{
    kVerify = 0x100,
    kName,
    kPicture,
    kOutput,
    kPinFd,
    kSize,
    kRegister,
    kHelp = 'h'
};

constexpr long kLargestShapeSide = 100000;
}

void printUsage(std::ostream& out)
{
    out << "usage: quillmark-cert-seal [--name NAME] [--picture FILE] [--size W H] [--output "
           "FILE]\n"
           "                           [--pin-fd N] [--register SEALDIR] DOCUMENT X Y PAGE\n"
           "       quillmark-cert-seal --verify [--name NAME] DOCUMENT\n"
           "\n"
           "Signs the document's text with the key token's certificate and puts the seal at X, Y\n"
           "(1/100 mm) on PAGE; stores the result as OpenDocument text (by default beside\n"
           "DOCUMENT, with the extension .odt). NAME defaults to the certificate's container\n"
           "label; W and H default to 4000. The token is chosen by QORV_PKCS11_MODULE and\n"
           "QORV_TOKEN_LABEL, as for the certificate library.\n"
           "The PIN is never taken from the command line, where other users could read it. It is\n"
           "read, as one line, from file descriptor N with --pin-fd N; else from the environment\n"
           "variable QUILLMARK_TOKEN_PIN (which is then cleared); else from standard input\n"
           "(without echo on a terminal).\n"
           "Every seal made goes on record in the stamping register SEALDIR/stamps.log (by "
           "default\n"
           "that of the seal folder $KTXESEAL_SEAL_DIR, else ~/.quillmark/seal), in an entry "
           "signed\n"
           "by the token's key with its certificate; quillmark-stamp-log checks it. A seal that\n"
           "cannot go on record is not made.\n"
           "--verify checks the seal NAME (default: the first one found) against the text.\n";
}

Arguments parseArguments(int argc, char** argv)
{
    Arguments arguments;
    std::vector<std::string> positional;
    OptionScanner options(argc, argv,
                          { { "verify", no_argument, nullptr, kVerify },
                            { "name", required_argument, nullptr, kName },
                            { "picture", required_argument, nullptr, kPicture },
                            { "output", required_argument, nullptr, kOutput },
                            { "pin-fd", required_argument, nullptr, kPinFd },
                            { "size", required_argument, nullptr, kSize },
                            { "register", required_argument, nullptr, kRegister },
                            { "help", no_argument, nullptr, kHelp } },
                          "h");
    for (int found = options.next(); found != OptionScanner::kEnd; found = options.next())
    {
        switch (found)
        {
            case OptionScanner::kOperand:
                positional.push_back(options.value());
                break;
            case kVerify:
                arguments.verify = true;
                break;
            case kName:
                arguments.name = options.value();
                break;
            case kPicture:
                arguments.picture = options.value();
                break;
            case kOutput:
                arguments.output = options.value();
                break;
            case kPinFd:
                arguments.pinFd = static_cast<int>(number(options.value(), 0, INT_MAX, "--pin-fd"));
                break;
            case kSize:
                arguments.placement.width = static_cast<sal_Int32>(
                    number(options.value(), 1, kLargestShapeSide, "--size"));
                arguments.placement.height = static_cast<sal_Int32>(
                    number(options.extraValue(), 1, kLargestShapeSide, "--size"));
                break;
            case kRegister:
                arguments.registerDirectory = options.value();
                break;
            case kHelp:
                arguments.help = true;
                return arguments;
        }
    }
    if (!arguments.verify && positional.size() == 5)
        throw commandline::UsageError("the PIN is not taken from the command line");
    if (arguments.verify ? positional.size() != 1 : positional.size() != 4)
        throw commandline::UsageError("wrong number of arguments");
    arguments.document = positional[0];
    if (arguments.verify)
        return arguments;
    arguments.placement.x = static_cast<sal_Int32>(number(positional[1], 0, INT_MAX, "X"));
    arguments.placement.y = static_cast<sal_Int32>(number(positional[2], 0, INT_MAX, "Y"));
    arguments.placement.page = static_cast<sal_Int16>(number(positional[3], 1, SHRT_MAX, "PAGE"));
    return arguments;
}
}
