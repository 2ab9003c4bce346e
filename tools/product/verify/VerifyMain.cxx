// quillmark-verify [--json | --json-lines] [--jobs N] [--timeout SECONDS] FILE... | -
//
// Verifies every seal of stored Writer documents in headless offices of its own: 0 when every
// file is valid, 1 when any is invalid or unsigned, 2 when any could not be read.

#include "VerifierPool.hxx"
#include "VerifyReport.hxx"

#include <Office.hxx>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

using namespace quillmark::verify;

namespace
{
constexpr int kUsageError = 2;

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
};

void usage(std::ostream& out)
{
    out << "usage: quillmark-verify [--json | --json-lines] [--jobs N] [--timeout SECONDS] "
           "FILE... | -\n"
           "  Verifies the document, certificate and field seals of Writer documents.\n"
           "  -               read file names from standard input, one per line\n"
           "  --json          one JSON object for all files\n"
           "  --json-lines    one JSON object per file, as each file finishes\n"
           "  --jobs N        offices working at once (default: the number of cores)\n"
           "  --timeout S     seconds one file may take before its office is restarted "
           "(default 300)\n"
           "Exit status: 0 all valid, 1 some invalid or unsigned, 2 some could not be read.\n";
}

bool positiveNumber(const char* text, unsigned long& value)
{
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return text[0] >= '1' && text[0] <= '9' && end && *end == '\0' && value <= 10000;
}

/// Settings from the command line; none after a usage error, which has been reported.
std::optional<Settings> parse(int argc, char** argv)
{
    Settings settings;
    const unsigned cores = std::thread::hardware_concurrency();
    settings.pool.offices = cores ? cores : 1;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        unsigned long number = 0;
        if (optionsEnd || argument.empty() || argument[0] != '-' || argument == "-")
        {
            if (argument != "-" || optionsEnd)
            {
                settings.files.push_back(argument);
                continue;
            }
            for (std::string line; std::getline(std::cin, line);)
                if (!line.empty())
                    settings.files.push_back(line);
        }
        else if (argument == "--")
            optionsEnd = true;
        else if (argument == "--json")
            settings.format = Format::Json;
        else if (argument == "--json-lines")
            settings.format = Format::JsonLines;
        else if ((argument == "--jobs" || argument == "--timeout") && i + 1 < argc
                 && positiveNumber(argv[i + 1], number))
        {
            if (argument == "--jobs")
                settings.pool.offices = static_cast<unsigned>(number);
            else
                settings.pool.fileTimeout = std::chrono::seconds(number);
            ++i;
        }
        else if (argument == "--help" || argument == "-h")
        {
            usage(std::cout);
            std::exit(0);
        }
        else
        {
            std::cerr << "quillmark-verify: bad option or value: " << argument << "\n";
            usage(std::cerr);
            return std::nullopt;
        }
    }
    if (settings.files.empty())
    {
        std::cerr << "quillmark-verify: no files named\n";
        usage(std::cerr);
        return std::nullopt;
    }
    return settings;
}

/// Progress on standard error: a line that rewrites itself on a terminal, otherwise a line now
/// and then, so that a long run is seen to move.
class Progress
{
public:
    explicit Progress(size_t total)
        : total(total)
        , terminal(isatty(STDERR_FILENO))
        , lastLine(std::chrono::steady_clock::now())
    {
    }
    void step(const FileReport& report)
    {
        ++done;
        const auto now = std::chrono::steady_clock::now();
        if (terminal)
            std::cerr << "\r" << done << "/" << total << " " << statusName(report.status) << ": "
                      << report.file << "\x1b[K" << std::flush;
        else if (now - lastLine > std::chrono::seconds(10))
        {
            std::cerr << "quillmark-verify: " << done << "/" << total << " files\n";
            lastLine = now;
        }
    }
    ~Progress()
    {
        if (terminal && done)
            std::cerr << "\r\x1b[K" << std::flush;
    }

private:
    size_t total;
    size_t done = 0;
    bool terminal;
    std::chrono::steady_clock::time_point lastLine;
};
}

int main(int argc, char** argv)
{
    const std::optional<Settings> settings = parse(argc, argv);
    if (!settings)
        return kUsageError;
    std::vector<FileReport> reports;
    {
        Progress progress(settings->files.size());
        reports
            = verifyFiles(settings->files, settings->pool, [&](size_t, const FileReport& report) {
                  progress.step(report);
                  if (settings->format == Format::JsonLines)
                      std::cout << jsonObject(report) << std::endl;
              });
    }
    switch (settings->format)
    {
        case Format::Table:
            writeTable(std::cout, reports);
            break;
        case Format::Json:
            std::cout << "{\"files\": [";
            for (size_t i = 0; i < reports.size(); ++i)
                std::cout << (i ? ",\n  " : "\n  ") << jsonObject(reports[i]);
            std::cout << "\n]}\n";
            break;
        case Format::JsonLines:
            break;
    }
    std::cout.flush();
    quillmark::office::Office::stopShared();
    return exitStatus(reports);
}
