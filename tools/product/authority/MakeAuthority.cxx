// quillmark-seal-authority: makes a seal authority that issues electronic seals.

#include "SealAuthority.hxx"

#include <TrustAnchors.hxx>

#include <cstdlib>
#include <cstring>
#include <iostream>

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
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
    {
        printUsage(std::cout);
        return EXIT_SUCCESS;
    }
    if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0')
    {
        printUsage(std::cerr);
        return 2;
    }
    try
    {
        const quillmark::authority::Authority authority
            = quillmark::authority::makeAuthority(argv[2]);
        quillmark::authority::writeAuthority(authority, argv[1]);
        std::cout << "Seal authority " << argv[2] << " made in " << argv[1] << ": "
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
