// quillmark-seal-authority: makes a seal authority that issues electronic seals, and revokes
// them.

#include "RevocationList.hxx"
#include "SealAuthority.hxx"

#include <CommandLine.hxx>
#include <SealTime.hxx>
#include <TrustAnchors.hxx>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace
{
using namespace quillmark::authority;

void printUsage(std::ostream& out)
{
    out << "Usage: quillmark-seal-authority DIRECTORY NAME\n"
           "       quillmark-seal-authority revoke DIRECTORY SEALDIR|SEALID [--reason R] "
           "[--days N]\n"
           "       quillmark-seal-authority crl DIRECTORY [--days N]\n"
           "\n"
           "Makes a seal authority named NAME (UTF-8): an SM2 key, DIRECTORY/"
        << kAuthorityKeyFile
        << " (readable by you only), and its\n"
           "certification-authority certificate DIRECTORY/"
        << kAuthorityCertificateFile
        << ". quillmark-make-seal --authority DIRECTORY\n"
           "issues seals from it. Seals verify where its certificate is trusted: copy it into\n"
        << ktxeseal::kSystemTrustDirectory << "/ or ~/" << ktxeseal::kTrustDirectoryInHome
        << "/, or name a folder\nthat holds it in $" << ktxeseal::kTrustDirectoryVariable
        << ".\n"
           "\n"
           "revoke withdraws a seal the authority issued, named by its folder or by its seal id\n"
           "(the authority keeps a copy of each seal it issues in DIRECTORY/"
        << kIssuedSealsFolder << "/): it writes a new\nsigned revocation list DIRECTORY/"
        << kRevocationListFile << ", valid for N days (default " << kDefaultListDays
        << "). crl writes the list anew with a new\n"
           "next-update date. Copy the list into the trust folders beside "
        << kAuthorityCertificateFile
        << ", and again\nbefore its next update: verifiers refuse an outdated list.\n"
           "  --reason R  unspecified (default), keyCompromise, affiliationChanged, superseded\n"
           "              or cessationOfOperation\n";
}

using quillmark::commandline::OptionScanner;
using quillmark::commandline::UsageError;

enum Option
{
    kReason = 0x100,
    kDays,
    kHelp = 'h'
};

/// What the command line asks for: the operands in their order and the list's options.
struct Request
{
    std::vector<std::string> words;
    ktxeseal::RevocationReason reason = ktxeseal::RevocationReason::Unspecified;
    bool reasonGiven = false;
    int days = kDefaultListDays;
    bool daysGiven = false;
    bool help = false;
};

Request parseRequest(int argc, char** argv)
{
    Request request;
    OptionScanner options(argc, argv,
                          { { "reason", required_argument, nullptr, kReason },
                            { "days", required_argument, nullptr, kDays },
                            { "help", no_argument, nullptr, kHelp } },
                          "h");
    for (int found = options.next(); found != OptionScanner::kEnd; found = options.next())
    {
        switch (found)
        {
            case OptionScanner::kOperand:
                request.words.push_back(options.value());
                break;
            case kReason:
            {
                const std::optional<ktxeseal::RevocationReason> reason
                    = reasonNamed(options.value());
                if (!reason)
                    throw UsageError("unknown reason " + options.value());
                request.reason = *reason;
                request.reasonGiven = true;
                break;
            }
            case kDays:
                request.days = static_cast<int>(
                    quillmark::commandline::number(options.value(), 1, 3650, "--days"));
                request.daysGiven = true;
                break;
            case kHelp:
                request.help = true;
                return request;
        }
    }
    return request;
}

int revoke(const Request& request)
{
    const std::vector<std::string>& words = request.words;
    if (words.size() != 3)
        throw UsageError("revoke needs the authority's folder and the seal");
    const time_t now = std::time(nullptr);
    const Revocation revocation = revokeSeal(words[1], words[2], request.reason, now, request.days);
    std::cout << "Seal " << revocation.sealId << " of " << revocation.organisation
              << (revocation.alreadyRevoked ? " was revoked already; " : " is revoked; ")
              << words[1] << "/" << kRevocationListFile << " is the new list, valid until "
              << ktxeseal::readableTime(now + request.days * 24 * 60 * 60)
              << ". Copy it into the trust folders." << std::endl;
    return EXIT_SUCCESS;
}

int renew(const Request& request)
{
    const std::vector<std::string>& words = request.words;
    if (words.size() != 2)
        throw UsageError("crl needs the authority's folder");
    if (request.reasonGiven)
        throw UsageError("crl takes no --reason");
    const time_t now = std::time(nullptr);
    renewRevocationList(words[1], now, request.days);
    std::cout << words[1] << "/" << kRevocationListFile << " is written anew, valid until "
              << ktxeseal::readableTime(now + request.days * 24 * 60 * 60)
              << ". Copy it into the trust folders." << std::endl;
    return EXIT_SUCCESS;
}

int make(const Request& request)
{
    const std::vector<std::string>& words = request.words;
    if (words.size() != 2 || words[0].empty() || words[1].empty())
        throw UsageError("an authority needs a folder and a name");
    if (request.reasonGiven || request.daysGiven)
        throw UsageError("making an authority takes no --reason or --days");
    const Authority authority = makeAuthority(words[1]);
    writeAuthority(authority, words[0]);
    std::cout << "Seal authority " << words[1] << " made in " << words[0] << ": "
              << kAuthorityCertificateFile << " is the certificate to trust." << std::endl;
    return EXIT_SUCCESS;
}
}

int main(int argc, char** argv)
{
    try
    {
        const Request request = parseRequest(argc, argv);
        if (request.help)
        {
            printUsage(std::cout);
            return EXIT_SUCCESS;
        }
        if (!request.words.empty() && request.words[0] == "revoke")
            return revoke(request);
        if (!request.words.empty() && request.words[0] == "crl")
            return renew(request);
        return make(request);
    }
    catch (const UsageError& error)
    {
        std::cerr << "quillmark-seal-authority: " << error.what() << "\n\n";
        printUsage(std::cerr);
        return quillmark::commandline::kUsageStatus;
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-seal-authority: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
