// quillmark-stamp-log: checks and lists a seal folder's stamping register (stamps.log).

#include <CommandLine.hxx>
#include <SealFiles.hxx>
#include <StampRegister.hxx>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace
{
using Json = nlohmann::json;

void printUsage(std::ostream& out)
{
    out << "Usage: quillmark-stamp-log verify [SEALDIR]\n"
           "       quillmark-stamp-log list [SEALDIR] [--json]\n"
           "\n"
           "verify checks every entry of SEALDIR/"
        << ktxeseal::kStampRegisterFile
        << ", the seal's stamping register: its number, its\n"
           "link to the entry before it, and its signature (by the seal's key, or by the key\n"
           "token whose certificate it carries). It exits 0 when the register is intact, and 1\n"
           "naming the first bad entry otherwise. list shows the entries, or with --json prints\n"
           "them as one JSON array. SEALDIR defaults to $"
        << ktxeseal::kSealDirectoryVariable << ", else $HOME/"
        << ktxeseal::kDefaultSealDirectoryInHome << ".\n";
}

std::string text(const Json& entry, const char* field)
{
    return entry.contains(field) && entry[field].is_string() ? entry[field].get<std::string>()
                                                             : std::string();
}

int verify(const std::string& directory)
{
    const ktxeseal::RegisterCheck check = ktxeseal::checkRegister(directory);
    const std::string path = directory + "/" + ktxeseal::kStampRegisterFile;
    if (check.intact)
    {
        std::cout << path << ": " << check.entries << " entries, intact" << std::endl;
        return EXIT_SUCCESS;
    }
    if (check.firstBad == 0)
        std::cout << path << ": " << check.problem << std::endl;
    else
        std::cout << path << ": entry " << check.firstBad << " of " << check.entries
                  << " is bad: " << check.problem << std::endl;
    return EXIT_FAILURE;
}

int list(const std::string& directory, bool json)
{
    const std::optional<std::vector<std::string>> lines = ktxeseal::registerLines(directory);
    if (!lines)
    {
        std::cerr << "quillmark-stamp-log: there is no readable " << directory << "/"
                  << ktxeseal::kStampRegisterFile << std::endl;
        return EXIT_FAILURE;
    }
    Json entries = Json::array();
    for (const std::string& line : *lines)
    {
        const Json entry = Json::parse(line, nullptr, false);
        entries.push_back(entry.is_discarded() ? Json(line) : entry);
    }
    if (json)
    {
        std::cout << entries.dump(2, ' ', false, Json::error_handler_t::replace) << std::endl;
        return EXIT_SUCCESS;
    }
    for (const Json& entry : entries)
    {
        if (!entry.is_object())
        {
            std::cout << "(unreadable) " << entry.get<std::string>() << "\n";
            continue;
        }
        const std::string trusted = text(entry, "trustedTime");
        std::cout << (entry.contains("seq") ? entry["seq"].dump() : "?") << "  "
                  << (trusted.empty() ? text(entry, "time") : trusted + " (trusted)") << "  "
                  << text(entry, "operation") << "  " << text(entry, "organisation") << " "
                  << text(entry, "sealId") << "  \"" << text(entry, "title") << "\"  "
                  << text(entry, "file") << "  " << text(entry, "user") << "@"
                  << text(entry, "host") << "  " << text(entry, "digest").substr(0, 20)
                  << (text(entry, "signer") == ktxeseal::kTokenSigner ? "  (key token)" : "")
                  << "\n";
    }
    std::cout << std::flush;
    return EXIT_SUCCESS;
}
}

int main(int argc, char** argv)
{
    using quillmark::commandline::OptionScanner;
    enum Option
    {
        kJson = 0x100,
        kHelp = 'h'
    };
    bool json = false;
    std::vector<std::string> positional;
    try
    {
        OptionScanner options(
            argc, argv,
            { { "json", no_argument, nullptr, kJson }, { "help", no_argument, nullptr, kHelp } },
            "h");
        for (int found = options.next(); found != OptionScanner::kEnd; found = options.next())
        {
            if (found == kHelp)
            {
                printUsage(std::cout);
                return EXIT_SUCCESS;
            }
            if (found == kJson)
                json = true;
            else
                positional.push_back(options.value());
        }
        const bool known
            = !positional.empty() && (positional[0] == "verify" || positional[0] == "list");
        if (!known)
            throw quillmark::commandline::UsageError("verify or list?");
        if (positional.size() > 2)
            throw quillmark::commandline::UsageError("too many arguments");
        if (json && positional[0] != "list")
            throw quillmark::commandline::UsageError("--json is for list");
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-stamp-log: " << error.what() << "\n\n";
        printUsage(std::cerr);
        return quillmark::commandline::kUsageStatus;
    }
    const bool verifying = positional[0] == "verify";
    const std::optional<std::string> directory
        = positional.size() == 2 ? positional[1] : ktxeseal::currentSealDirectory();
    if (!directory)
    {
        std::cerr << "quillmark-stamp-log: no seal folder given, and neither "
                  << ktxeseal::kSealDirectoryVariable << " nor HOME is set" << std::endl;
        return quillmark::commandline::kUsageStatus;
    }
    try
    {
        return verifying ? verify(*directory) : list(*directory, json);
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-stamp-log: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
