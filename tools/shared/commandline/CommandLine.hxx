/// How every tool reads its command line: GNU long options through getopt_long, operands in the
/// order they were given, and one kind of error for a command line the tool cannot take.
#pragma once

#include <getopt.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmark::commandline
{
/// A command line the tool cannot take: printed with the tool's usage, exit status kUsageStatus.
struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

constexpr int kUsageStatus = 2;

/// One walk over argv with getopt_long.
class OptionScanner
{
public:
    /// What next() returns for an operand; value() holds it.
    static constexpr int kOperand = 1;
    /// What next() returns after the last argument.
    static constexpr int kEnd = -1;

    /// `longOptions`' `val` is what next() returns for each; `shortOptions` is in getopt's syntax.
    OptionScanner(int argc, char** argv, std::vector<option> longOptions,
                  std::string shortOptions = "");

    /// The next option's `val`, kOperand or kEnd. An unknown option, or one without its value,
    /// is a UsageError.
    int next();
    /// The value of the option, or the operand, that next() returned.
    const std::string& value() const { return current; }
    /// True when the operand next() returned came after "--", where nothing is an option.
    bool afterOptionsEnd() const { return optionsEnded; }
    /// Takes the next argument as one more value of the option next() returned (--size W H).
    std::string extraValue();

private:
    int argc;
    char** argv;
    std::vector<option> longOptions;
    std::string shortOptions;
    std::string current;
    std::string currentOption;
    bool optionsEnded = false;
};

/// The operands of a tool whose only option is --help (-h): from `fewest` to `most` of them;
/// nothing when help was asked for. A UsageError otherwise.
std::optional<std::vector<std::string>> operandsOnly(int argc, char** argv, size_t fewest,
                                                     size_t most);

/// `text` as a whole decimal number from `smallest` to `largest`; a UsageError naming `what`
/// otherwise.
long number(const std::string& text, long smallest, long largest, const std::string& what);
}
