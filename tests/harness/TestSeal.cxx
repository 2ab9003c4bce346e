#include "TestSeal.hxx"

#include <SealMaking.hxx>
#include <cstdlib>

namespace quillmark::test
{
TestSeal::TestSeal(const std::string& folder, const std::string& organisation)
    : sealDirectory(folder)
{
    sealmaker::writeSeal(sealmaker::makeSeal(organisation), sealDirectory, true);
}

void TestSeal::activate() const { setenv("KTXESEAL_SEAL_DIR", sealDirectory.c_str(), 1); }

void deactivateSeals() { setenv("KTXESEAL_SEAL_DIR", "/nonexistent/quillmark-seal", 1); }
}
