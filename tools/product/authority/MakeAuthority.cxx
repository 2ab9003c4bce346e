// quillmark-seal-authority: makes a seal authority that issues electronic seals.

#include "SealAuthority.hxx"

#include <CommandLine.hxx>
#include <TrustAnchors.hxx>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace
{
void printUsage(std::ostream& out)
{
    out << "Usage: quillmark-seal-authority DIRECTORY NAME\n"
           "\n"
           "Makes a seal authority named NAME (UTF-8): an SM2 key, DIRECTORY/"
        << quillmark::authority::kAuthorityKeyFile
        << " (readable by you only), and its\n"
           "certification-authority certificate DIRECTORY/"
        << quillmark::authority::kAuthorityCertificateFile
        << ". quillmark-make-seal --authority DIRECTORY\n"
           "issues seals from it. Seals verify where its certificate is trusted: copy it into\n"
        << ktxeseal::kSystemTrustDirectory << "/ or ~/" << ktxeseal::kTrustDirectoryInHome
        << "/, or name a folder\nthat holds it in $" << ktxeseal::kTrustDirectoryVariable << ".\n";
}
}

int main(int argc, char** argv)
{
    std::vector<std::string> operands;
    try
    {
        const auto asked = quillmark::commandline::operandsOnly(argc, argv, 2, 2);
        if (!asked)
        {
            printUsage(std::cout);
            return EXIT_SUCCESS;
        }
        operands = *asked;
        if (operands[0].empty() || operands[1].empty())
            throw quillmark::commandline::UsageError("an empty DIRECTORY or NAME");
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-seal-authority: " << error.what() << "\n\n";
        printUsage(std::cerr);
        return quillmark::commandline::kUsageStatus;
    }
    const std::string& directory = operands[0];
    const std::string& name = operands[1];
    try
    {
        const quillmark::authority::Authority authority = quillmark::authority::makeAuthority(name);
        quillmark::authority::writeAuthority(authority, directory);
        std::cout << "Seal authority " << name << " made in " << directory << ": "
                  << quillmark::authority::kAuthorityCertificateFile
                  << " is the certificate to trust." << std::endl;
        return EXIT_SUCCESS;
    }
    catch (const std::exception& error)
    {
        std::cerr << "quillmark-seal-authority: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
