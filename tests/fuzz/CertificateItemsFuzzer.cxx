// Certificate items as the certificate box asks for them, from any DER, into output areas of
// exactly the documented sizes.
#include "CertificateItems.hxx"

#include <QorvApi.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace
{
struct Item
{
    int type;
    size_t area;
};

const Item kItems[] = { { QORV_CERT_VERSION, 4 },
                        { QORV_CERT_SERIAL_NUMBER, 132 },
                        { QORV_CERT_NOT_BEFORE, 32 },
                        { QORV_CERT_NOT_AFTER, 32 },
                        { QORV_CERT_ISSUER_COMMON_NAME, 32 },
                        { QORV_CERT_SUBJECT_COUNTRY, 32 } };
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    if (size == 0 || size > INT_MAX / 2)
        return 0;
    const std::vector<unsigned char> der(data, data + size);
    for (const Item& item : kItems)
    {
        std::vector<unsigned char> out(item.area);
        int outLength = -1;
        const int status = qorv::certificateItem(der.data(), static_cast<int>(size), item.type,
                                                 out.data(), &outLength);
        if (status == 0 && (outLength < 0 || static_cast<size_t>(outLength) > item.area))
            std::abort();
    }
    return 0;
}
