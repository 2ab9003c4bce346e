#include "ExportPdfOptions.hxx"

#include <CommandLine.hxx>

#include <climits>
#include <vector>

namespace quillmark::exportpdf
{
namespace
{
using commandline::number;
using commandline::OptionScanner;

enum Option
{
    kPinFd = 0x100,
    kTokenPinFd,
    kHelp = 'h'
};
}

void printUsage(std::ostream& out)
{
    out << "usage: quillmark-export-pdf [--pin-fd N] [--token-pin-fd M] DOCUMENT OUTPUT.pdf\n"
           "\n"
           "Exports a sealed Writer document (.odt, .docx, .doc) as a PDF that carries its seals'\n"
           "signatures: every seal is verified first, and a document whose seals do not all\n"
           "verify is not exported (nothing is written, exit status 1). The office's own PDF\n"
           "export is then signed once for each picture of the document seal and of each\n"
           "certificate seal, each signature showing that picture where it lies on its page:\n"
           "the document seal with the current electronic seal's key (the seal that signed the\n"
           "document; KTXESEAL_SEAL_DIR), a certificate seal on the key token "
           "(QORV_PKCS11_MODULE,\n"
           "QORV_TOKEN_LABEL). Each signature of the seal goes on record in its stamping "
           "register.\n"
           "The PINs are never taken from the command line. The seal's PIN is read as one line\n"
           "from file descriptor N (--pin-fd N), else from the file KTXESEAL_PIN_FILE names, else\n"
           "asked for on the terminal; the token's from file descriptor M (--token-pin-fd M), "
           "else\n"
           "from the environment variable QUILLMARK_TOKEN_PIN (then cleared), else asked for on "
           "the\n"
           "terminal.\n"
           "quillmark-verify checks the PDF; so does any PDF reader's signature panel.\n";
}

Arguments parseArguments(int argc, char** argv)
{
    Arguments arguments;
    std::vector<std::string> positional;
    OptionScanner options(argc, argv,
                          { { "pin-fd", required_argument, nullptr, kPinFd },
                            { "token-pin-fd", required_argument, nullptr, kTokenPinFd },
                            { "help", no_argument, nullptr, kHelp } },
                          "h");
    for (int found = options.next(); found != OptionScanner::kEnd; found = options.next())
    {
        switch (found)
        {
            case OptionScanner::kOperand:
                positional.push_back(options.value());
                break;
            case kPinFd:
                arguments.pinFd = static_cast<int>(number(options.value(), 0, INT_MAX, "--pin-fd"));
                break;
            case kTokenPinFd:
                arguments.tokenPinFd
                    = static_cast<int>(number(options.value(), 0, INT_MAX, "--token-pin-fd"));
                break;
            case kHelp:
                arguments.help = true;
                return arguments;
        }
    }
    if (positional.size() != 2)
        throw commandline::UsageError("wrong number of arguments");
    arguments.document = positional[0];
    arguments.output = positional[1];
    return arguments;
}
}
