/// Single items of an X.509 certificate, as the certificate dialog shows them.
#pragma once

namespace qorv
{
/// Output areas: the version is a 4-byte integer, the serial number text takes 132 bytes, the
/// others 32.
///   1  version as the human number (3 for an X.509 v3 certificate)
///   2  serial number, uppercase hexadecimal, NUL-terminated
///   11 start of the validity period, "YYYY-MM-DD hh:mm:ss" in UTC, NUL-terminated
///   12 end of the validity period, the same
///   8  issuer common name, GBK, `*outLength` bytes (NUL-terminated when there is room)
///   17 subject country name, GBK, the same
int certificateItem(const unsigned char* der, int derLength, int itemType, unsigned char* out,
                    int* outLength);
}
