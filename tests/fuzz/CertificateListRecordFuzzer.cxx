// The certificate list record as the library may leave it: the input fills the record from the
// container name's offset to its end, repeated, so that a name without a NUL reaches the record's
// last byte. The record has exactly its contract size, so reading past it is a sanitizer report.
#include <libraries/CertificateListRecord.hxx>
#include <libraries/QorvApi.h>

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    std::vector<unsigned char> record(QORV_CERT_LIST_SIZE, 0);
    for (size_t i = QORV_CONTAINER_NAME_OFFSET; size > 0 && i < record.size(); ++i)
        record[i] = data[(i - QORV_CONTAINER_NAME_OFFSET) % size];
    const rtl::OUString name = quillmark::containerNameInRecord(record.data());
    if (name.getLength() > QORV_CERT_LIST_SIZE - QORV_CONTAINER_NAME_OFFSET)
        std::abort();
    return 0;
}
