// The project's own certificate library behind the QORV_API entry points.

#include <QorvApi.h>

#include <mutex>

namespace
{
/// Status for an entry point this build of the library does not serve.
constexpr int kNotSupported = -2;

struct LibraryState
{
    std::mutex mutex;
    bool initialized = false;
};

LibraryState& state()
{
    static LibraryState instance;
    return instance;
}
}

extern "C" {

__attribute__((visibility("default"))) int KTX_Initialize(int, const char* cspName, int,
                                                          const char* keyDriver)
{
    if (!cspName || !keyDriver)
        return -1;
    std::lock_guard<std::mutex> lock(state().mutex);
    state().initialized = true;
    return 0;
}

__attribute__((visibility("default"))) int KTX_Finalize(void)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().initialized = false;
    return 0;
}

__attribute__((visibility("default"))) int KTX_Login(const char*, int) { return kNotSupported; }

__attribute__((visibility("default"))) int KTX_EnumUsrCertificates(void*) { return kNotSupported; }

__attribute__((visibility("default"))) int KTX_EnumUsrCertificatesFree(void*) { return 0; }

__attribute__((visibility("default"))) int KTX_Base64_Decode(const unsigned char*, int,
                                                             unsigned char*, int*)
{
    return kNotSupported;
}

__attribute__((visibility("default"))) int
KTX_Pkcs7_DecodeSignedData(const unsigned char*, int, unsigned char*, int*, int*, unsigned char*,
                           int*, unsigned char*, int*)
{
    return kNotSupported;
}

__attribute__((visibility("default"))) int KTX_Pkcs7_DecodeData(const unsigned char*, int,
                                                                unsigned char*, int*)
{
    return kNotSupported;
}

__attribute__((visibility("default"))) int KTX_GetCertificateInfo(const unsigned char*, int, int,
                                                                  unsigned char*, int*)
{
    return kNotSupported;
}
}
