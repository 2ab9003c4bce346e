/// A certificate seal's stored signature, checked by the certificate library: shared by the
/// verification and the certificate details, so that both speak of the same signer.
#pragma once

#include <common/UnoHelpers.hxx>
#include <vector>

namespace quillmark
{
using Bytes = std::vector<unsigned char>;

struct CheckedSignature
{
    /// 0, or the library's status of the step that failed.
    int status = 0;
    /// DER of the certificate that made the signature, as the library found it; empty where the
    /// library does not say (see KTX_Pkcs7_DecodeSignedData in QorvApi.h).
    Bytes signer;
    /// The signed content: the data encoding of the signed text.
    Bytes content;
};

/// Base64 text as the library decodes it (its status is not examined); `contractArea` is the
/// least area the library is given.
Bytes decodeBase64Text(const OUString& text, int contractArea);

/// The DER certificate a seal's "Cert" field holds.
Bytes certificateOfField(const OUString& certificateText);

/// Decodes and verifies the Base64 PKCS#7 signature of a seal's "Sign" field; the signer comes
/// out only when the signature verified and chains to the library's trust store.
CheckedSignature decodeCertificateSignature(const OUString& base64Signature);
}
