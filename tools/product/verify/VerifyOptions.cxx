#include "VerifyOptions.hxx"

#include <CommandLine.hxx>

namespace quillmark::verify
{
namespace
{
using commandline::OptionScanner;

enum Option
{
    kJson = 0x100,
    kJsonLines,
    kJobs,
    kTimeout,
    kStrict,
    kHelp = 'h'
};

constexpr long kMostOfficesOrSeconds = 10000;
}

void printUsage(std::ostream& out)
{
    out << "usage: quillmark-verify [--json | --json-lines] [--strict] [--jobs N] "
           "[--timeout SECONDS] FILE... | -\n"
           "  Verifies the document, certificate and field seals of Writer documents, and the\n"
           "  seal signatures of PDFs (quillmark-export-pdf), which need no office.\n"
           "  -               read file names from standard input, one per line\n"
           "  --json          one JSON object for all files\n"
           "  --json-lines    one JSON object per file, as each file finishes\n"
           "  --strict        a seal that vouches for its text alone, not for the whole\n"
           "                  document, counts as invalid\n"
           "  --jobs N        offices working at once (default: the number of cores)\n"
           "  --timeout S     seconds one file may take before its office is restarted "
           "(default 300)\n"
           "  --help          this text\n"
           "Exit status: 0 all valid, 1 some invalid or unsigned, 2 some could not be read.\n";
}

Settings parseSettings(int argc, char** argv, std::istream& names, unsigned cores)
{
    Settings settings;
    settings.pool.offices = cores ? cores : 1;
    OptionScanner options(argc, argv,
                          { { "json", no_argument, nullptr, kJson },
                            { "json-lines", no_argument, nullptr, kJsonLines },
                            { "jobs", required_argument, nullptr, kJobs },
                            { "timeout", required_argument, nullptr, kTimeout },
                            { "strict", no_argument, nullptr, kStrict },
                            { "help", no_argument, nullptr, kHelp } },
                          "h");
    for (int found = options.next(); found != OptionScanner::kEnd; found = options.next())
    {
        switch (found)
        {
            case OptionScanner::kOperand:
                // After "--" a "-" is a file of that name.
                if (options.value() != "-" || options.afterOptionsEnd())
                    settings.files.push_back(options.value());
                else
                    for (std::string line; std::getline(names, line);)
                        if (!line.empty())
                            settings.files.push_back(line);
                break;
            case kJson:
                settings.format = Format::Json;
                break;
            case kJsonLines:
                settings.format = Format::JsonLines;
                break;
            case kJobs:
                settings.pool.offices = static_cast<unsigned>(
                    commandline::number(options.value(), 1, kMostOfficesOrSeconds, "--jobs"));
                break;
            case kTimeout:
                settings.pool.fileTimeout = std::chrono::seconds(
                    commandline::number(options.value(), 1, kMostOfficesOrSeconds, "--timeout"));
                break;
            case kStrict:
                settings.strict = true;
                break;
            case kHelp:
                settings.help = true;
                return settings;
        }
    }
    if (settings.files.empty())
        throw commandline::UsageError("no files named");
    return settings;
}
}
