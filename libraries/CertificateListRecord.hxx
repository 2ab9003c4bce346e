/// The certificate list record that the certificate library fills for the component.
#pragma once

#include <rtl/ustring.hxx>

namespace quillmark
{
/// The first listed certificate's container name: GBK up to its NUL, never read past the end of
/// the record of QORV_CERT_LIST_SIZE bytes, however the library left the record.
rtl::OUString containerNameInRecord(const unsigned char* record);
}
