#include "CommandLine.hxx"

#include <cerrno>
#include <cstdlib>

namespace quillmark::commandline
{
OptionScanner::OptionScanner(int argumentCount, char** arguments, std::vector<option> options,
                             std::string shortOptionLetters)
    : argc(argumentCount)
    , argv(arguments)
    , longOptions(std::move(options))
    // "-": operands come back in order, as kOperand; ":": a missing value is told from an
    // unknown option.
    , shortOptions("-:" + shortOptionLetters)
{
    longOptions.push_back({ nullptr, 0, nullptr, 0 });
    // 0 starts getopt afresh, as a second scan in the same process needs.
    optind = 0;
    opterr = 0;
}

int OptionScanner::next()
{
    if (optionsEnded)
    {
        if (optind >= argc)
            return kEnd;
        current = argv[optind++];
        return kOperand;
    }
    // Where getopt looks now: optind is 0 only before the first call, which starts at 1.
    const int previous = optind > 0 ? optind : 1;
    int longIndex = -1;
    const int found = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), &longIndex);
    // The argument getopt looked at: the option's own word, whatever getopt made of it.
    const std::string word = previous < argc ? argv[previous] : "";
    switch (found)
    {
        case kEnd:
            // Only "--" ends the scan early, since operands come back in order.
            optionsEnded = true;
            return next();
        case kOperand:
            current = optarg;
            return kOperand;
        case ':':
            throw UsageError(word + " needs a value");
        case '?':
            throw UsageError("unknown option " + word);
        default:
            currentOption = longIndex >= 0 ? std::string("--") + longOptions[longIndex].name : word;
            // getopt takes "--pin" for "--pin-fd": an option is named in full here.
            if (longIndex >= 0 && word.substr(0, word.find('=')) != currentOption)
                throw UsageError("unknown option " + word);
            current = optarg ? optarg : "";
            return found;
    }
}

std::string OptionScanner::extraValue()
{
    if (optind >= argc)
        throw UsageError(currentOption + " needs another value");
    return argv[optind++];
}

std::optional<std::vector<std::string>> operandsOnly(int argc, char** argv, size_t fewest,
                                                     size_t most)
{
    std::vector<std::string> operands;
    OptionScanner options(argc, argv, { { "help", no_argument, nullptr, 'h' } }, "h");
    for (int found = options.next(); found != OptionScanner::kEnd; found = options.next())
    {
        if (found == 'h')
            return std::nullopt;
        operands.push_back(options.value());
    }
    if (operands.size() < fewest)
        throw UsageError("too few arguments");
    if (operands.size() > most)
        throw UsageError("too many arguments");
    return operands;
}

long number(const std::string& text, long smallest, long largest, const std::string& what)
{
    // Digits only: strtol would also take blanks and a sign before them.
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    errno = 0;
    const long value = digits ? std::strtol(text.c_str(), nullptr, 10) : 0;
    if (!digits || errno != 0 || value < smallest || value > largest)
        throw UsageError(what + " takes a number from " + std::to_string(smallest) + " to "
                         + std::to_string(largest) + ", not \"" + text + "\"");
    return value;
}
}
