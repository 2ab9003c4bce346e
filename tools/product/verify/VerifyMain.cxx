// quillmark-verify [--json | --json-lines] [--strict] [--jobs N] [--timeout SECONDS] FILE... | -
//
// Verifies every seal of stored Writer documents in headless offices of its own: 0 when every
// file is valid, 1 when any is invalid or unsigned, 2 when any could not be read.

#include "VerifierPool.hxx"
#include "VerifyOptions.hxx"
#include "VerifyReport.hxx"

#include <CommandLine.hxx>
#include <Office.hxx>

#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

using namespace quillmark::verify;

namespace
{
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
    Settings settings;
    try
    {
        settings = parseSettings(argc, argv, std::cin, std::thread::hardware_concurrency());
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-verify: " << error.what() << "\n";
        printUsage(std::cerr);
        return quillmark::commandline::kUsageStatus;
    }
    if (settings.help)
    {
        printUsage(std::cout);
        return 0;
    }
    std::vector<FileReport> reports;
    {
        Progress progress(settings.files.size());
        auto judged = [&](FileReport report) {
            if (settings.strict)
                applyStrictness(report);
            return report;
        };
        reports
            = verifyFiles(settings.files, settings.pool, [&](size_t, const FileReport& finished) {
                  const FileReport report = judged(finished);
                  progress.step(report);
                  if (settings.format == Format::JsonLines)
                      std::cout << jsonObject(report) << std::endl;
              });
        for (FileReport& report : reports)
            report = judged(report);
    }
    switch (settings.format)
    {
        case Format::Table:
            writeTable(std::cout, reports);
            break;
        case Format::Json:
            std::cout << jsonDocument(reports) << "\n";
            break;
        case Format::JsonLines:
            break;
    }
    std::cout.flush();
    quillmark::office::Office::stopShared();
    return exitStatus(reports);
}
