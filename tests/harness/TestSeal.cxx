#include "TestSeal.hxx"

#include <SealMaking.hxx>
#include <TrustAnchors.hxx>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quillmark::test
{
namespace
{
/// An authority made next to the first seal's folder; the trusted one is trusted from then on.
const authority::Authority& testAuthority(const std::string& nearFolder, bool trusted)
{
    static std::optional<authority::Authority> trustedAuthority;
    static std::optional<authority::Authority> untrustedAuthority;
    std::optional<authority::Authority>& made = trusted ? trustedAuthority : untrustedAuthority;
    if (!made)
    {
        const std::string directory
            = nearFolder + (trusted ? "-trusted-authority" : "-untrusted-authority");
        authority::writeAuthority(authority::makeAuthority(u8"测试电子印章制作中心"), directory);
        made = authority::loadAuthority(directory);
        if (trusted)
        {
            const std::string trustDirectory = directory + "/trusted";
            std::filesystem::create_directories(trustDirectory);
            std::filesystem::copy_file(directory + "/" + authority::kAuthorityCertificateFile,
                                       trustDirectory + "/authority.crt");
            setenv(ktxeseal::kTrustDirectoryVariable, trustDirectory.c_str(), 1);
        }
    }
    return *made;
}
}

TestSeal::TestSeal(const std::string& folder, const std::string& organisation, SealIssuer issuer)
    : sealDirectory(folder)
{
    // The trusted authority is made first, so its trust holds whichever seal comes first.
    const authority::Authority& trusted = testAuthority(folder, true);
    const authority::Authority* authority = issuer == SealIssuer::TrustedAuthority ? &trusted
                                            : issuer == SealIssuer::UntrustedAuthority
                                                ? &testAuthority(folder, false)
                                                : nullptr;
    sealmaker::writeSeal(sealmaker::makeSeal(organisation, authority), sealDirectory, kTestSealPin,
                         true);
}

void TestSeal::activate() const { setenv("KTXESEAL_SEAL_DIR", sealDirectory.c_str(), 1); }

std::string TestSeal::writePinFile() const
{
    const std::string path = sealDirectory + "-pin";
    std::filesystem::remove(path);
    std::ofstream(path) << kTestSealPin << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_read
                                           | std::filesystem::perms::owner_write);
    return path;
}

void deactivateSeals() { setenv("KTXESEAL_SEAL_DIR", "/nonexistent/quillmark-seal", 1); }
}
