#include <libraries/CertificateListRecord.hxx>
#include <libraries/QorvApi.h>

#include <common/UnoHelpers.hxx>

namespace quillmark
{
OUString containerNameInRecord(const unsigned char* record)
{
    return fromGbkBounded(reinterpret_cast<const char*>(record) + QORV_CONTAINER_NAME_OFFSET,
                          QORV_CERT_LIST_SIZE - QORV_CONTAINER_NAME_OFFSET);
}
}
