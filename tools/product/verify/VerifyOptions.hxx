/// quillmark-verify's command line.
#pragma once

#include "VerifierPool.hxx"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace quillmark::verify
{
enum class Format
{
    Table,
    Json,
    JsonLines
};

struct Settings
{
    Format format = Format::Table;
    PoolSettings pool;
    std::vector<std::string> files;
    /// A seal that vouches for its text alone counts as invalid.
    bool strict = false;
    bool help = false;
};

/// The settings `argv` asks for; "-" reads file names from `names`, one per line. `cores` is
/// the default number of offices. A command line the tool cannot take is a UsageError.
Settings parseSettings(int argc, char** argv, std::istream& names, unsigned cores);

void printUsage(std::ostream& out);
}
