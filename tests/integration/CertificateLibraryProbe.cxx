// The executable's own definitions of four certificate library entry points: the component,
// linked into the test binary, binds to these, and they pass each call on to the library loaded
// after the executable.

#include "CertificateLibraryProbe.hxx"

#include <QorvApi.h>
#include <dlfcn.h>
#include <map>

namespace quillmark::test::probe
{
namespace
{
LibraryCalls recorded;
std::map<int, int> itemFailures;
bool signerAreaEmpty = false;

/// Answered when the library's entry point cannot be found, so that the test fails visibly.
constexpr int kNoLibrary = -9999;

template <typename Function>
Function libraryEntry(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
}

const LibraryCalls& calls() { return recorded; }

void reset()
{
    recorded = {};
    itemFailures.clear();
    signerAreaEmpty = false;
}

void leaveSignerAreaEmpty() { signerAreaEmpty = true; }

void failCertificateItem(int itemType, int status) { itemFailures[itemType] = status; }
}

using namespace quillmark::test::probe;

extern "C" int KTX_Initialize(int cspType, const char* cspName, int keyType, const char* keyDriver)
{
    ++recorded.initialize;
    static const auto library = libraryEntry<decltype(&KTX_Initialize)>("KTX_Initialize");
    return library ? library(cspType, cspName, keyType, keyDriver) : kNoLibrary;
}

extern "C" int KTX_Finalize(void)
{
    ++recorded.finalize;
    static const auto library = libraryEntry<decltype(&KTX_Finalize)>("KTX_Finalize");
    return library ? library() : kNoLibrary;
}

extern "C" int KTX_Pkcs7_DecodeSignedData(const unsigned char* der, int derLength,
                                          unsigned char* signerOut, int* signerLength,
                                          int* signerValue, unsigned char* content,
                                          int* contentLength, unsigned char* extraOut,
                                          int* extraLength)
{
    static const auto library
        = libraryEntry<decltype(&KTX_Pkcs7_DecodeSignedData)>("KTX_Pkcs7_DecodeSignedData");
    if (!library)
        return kNoLibrary;
    const int status = library(der, derLength, signerOut, signerLength, signerValue, content,
                               contentLength, extraOut, extraLength);
    // What the area holds is read up to its length only.
    if (signerAreaEmpty)
        *signerLength = 0;
    return status;
}

extern "C" int KTX_GetCertificateInfo(const unsigned char* der, int derLength, int itemType,
                                      unsigned char* out, int* outLength)
{
    if (const auto failure = itemFailures.find(itemType); failure != itemFailures.end())
        return failure->second;
    static const auto library
        = libraryEntry<decltype(&KTX_GetCertificateInfo)>("KTX_GetCertificateInfo");
    return library ? library(der, derLength, itemType, out, outLength) : kNoLibrary;
}
