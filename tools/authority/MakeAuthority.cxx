// quillmark-seal-authority: makes a seal authority that issues electronic seals, and revokes
// them.

#include "RevocationList.hxx"
#include "SealAuthority.hxx"

#include <SealTime.hxx>
#include <TrustAnchors.hxx>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

int parseDays(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const long days = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || days < 1 || days > 3650)
        throw UsageError("--days takes a number of days from 1 to 3650");
    return static_cast<int>(days);
}

/// The options after the positional words of a subcommand.
struct ListOptions
{
    ktxeseal::RevocationReason reason = ktxeseal::RevocationReason::Unspecified;
    int days = kDefaultListDays;
};

ListOptions parseOptions(const std::vector<std::string>& words, size_t first, bool reasons)
{
    ListOptions options;
    for (size_t index = first; index < words.size(); ++index)
    {
        const std::string& word = words[index];
        if (index + 1 == words.size())
            throw UsageError(word + " needs a value");
        const std::string& value = words[++index];
        if (word == "--days")
            options.days = parseDays(value);
        else if (word == "--reason" && reasons)
        {
            const std::optional<ktxeseal::RevocationReason> reason = reasonNamed(value);
            if (!reason)
                throw UsageError("unknown reason " + value);
            options.reason = *reason;
        }
        else
            throw UsageError("unknown option " + word);
    }
    return options;
}

int revoke(const std::vector<std::string>& words)
{
    if (words.size() < 3)
        throw UsageError("revoke needs the authority's folder and the seal");
    const ListOptions options = parseOptions(words, 3, true);
    const time_t now = std::time(nullptr);
    const Revocation revocation = revokeSeal(words[1], words[2], options.reason, now, options.days);
    std::cout << "Seal " << revocation.sealId << " of " << revocation.organisation
              << (revocation.alreadyRevoked ? " was revoked already; " : " is revoked; ")
              << words[1] << "/" << kRevocationListFile << " is the new list, valid until "
              << ktxeseal::readableTime(now + options.days * 24 * 60 * 60)
              << ". Copy it into the trust folders." << std::endl;
    return EXIT_SUCCESS;
}

int renew(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        throw UsageError("crl needs the authority's folder");
    const ListOptions options = parseOptions(words, 2, false);
    const time_t now = std::time(nullptr);
    renewRevocationList(words[1], now, options.days);
    std::cout << words[1] << "/" << kRevocationListFile << " is written anew, valid until "
              << ktxeseal::readableTime(now + options.days * 24 * 60 * 60)
              << ". Copy it into the trust folders." << std::endl;
    return EXIT_SUCCESS;
}

int make(const std::vector<std::string>& words)
{
    if (words.size() != 2 || words[0].empty() || words[1].empty())
        throw UsageError("an authority needs a folder and a name");
    const Authority authority = makeAuthority(words[1]);
    writeAuthority(authority, words[0]);
    std::cout << "Seal authority " << words[1] << " made in " << words[0] << ": "
              << kAuthorityCertificateFile << " is the certificate to trust." << std::endl;
    return EXIT_SUCCESS;
}
}

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
    {
        printUsage(std::cout);
        return EXIT_SUCCESS;
    }
    const std::vector<std::string> words(argv + 1, argv + argc);
    try
    {
        if (!words.empty() && words[0] == "revoke")
            return revoke(words);
        if (!words.empty() && words[0] == "crl")
            return renew(words);
        return make(words);
    }
    catch (const UsageError& error)
    {
        std::cerr << "quillmark-seal-authority: " << error.what() << "\n\n";
        printUsage(std::cerr);
        return 2;
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-seal-authority: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
