/// Base64 and PKCS#7 decoding for the verification of a stored seal signature.
#pragma once

#include <cstddef>
#include <string>

namespace qorv
{
/// Smallest output areas of the signed-data decoding: signer, content and certificates.
constexpr size_t kSignerArea = 2048;
constexpr size_t kContentArea = 2048;
constexpr size_t kCertificatesArea = 102400;

int decodeBase64(const unsigned char* text, int textLength, unsigned char* out, int* outLength);

/// Verifies PKCS#7 signed data and hands out what it carries. Each output area holds
/// max(its smallest size, derLength) bytes, since no output can be longer than the input.
///   signerOut    DER of the first signer's certificate
///   signerCount  number of signer infos, all of which verified
///   content      the signed content bytes
///   certificates DER of every certificate in the structure, one after another
/// The signer must chain to a CA of `trustStore`, a PEM file or a folder of PEM files.
int decodeSignedData(const unsigned char* der, int derLength, unsigned char* signerOut,
                     int* signerLength, int* signerCount, unsigned char* content,
                     int* contentLength, unsigned char* certificates, int* certificatesLength,
                     const std::string& trustStore);

/// The content of a PKCS#7 data content info; a null `plain` asks for its length only.
int decodeData(const unsigned char* encoded, int encodedLength, unsigned char* plain,
               int* plainLength);
}
