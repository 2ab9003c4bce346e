// A certificate seal keeps a PKCS#7 signature of the document text; the text inside it must
// equal the document's text exactly, and the certificate the seal names must be the one that
// signed.

#include <libraries/CertificateVerification.hxx>

#include <libraries/CertificateAreas.hxx>
#include <libraries/LibraryTexts.hxx>

#include <libraries/QorvApi.h>
#include <libraries/SealVerdict.hxx>

#include <component/QORVHelper.hxx>
#include <algorithm>

namespace quillmark
{
namespace
{
// Output areas of the library, in bytes. None of its outputs can be longer than the signature it
// reads, so every area is also at least that long.
constexpr int kDecodedSignatureArea = 102400;
constexpr int kSignerArea = 2048;
constexpr int kContentArea = 2048;
constexpr int kExtraArea = 102400;
constexpr int kCertificateArea = 2048;

Bytes firstBytes(const Bytes& area, int length)
{
    const auto count = static_cast<long>(std::clamp(length, 0, static_cast<int>(area.size())));
    return Bytes(area.begin(), area.begin() + count);
}
}

Bytes decodeBase64Text(const OUString& text, int contractArea)
{
    const OString base64 = toGbk(text);
    Bytes decoded = zeroedArea(contractArea, base64DecodedCapacity(base64.getLength()));
    int length = 0;
    KTX_Base64_Decode(reinterpret_cast<const unsigned char*>(base64.getStr()), base64.getLength(),
                      decoded.data(), &length);
    return firstBytes(decoded, length);
}

Bytes certificateOfField(const OUString& certificateText)
{
    return decodeBase64Text(certificateText, kCertificateArea);
}

CheckedSignature decodeCertificateSignature(const OUString& base64Signature)
{
    const Bytes der = decodeBase64Text(base64Signature, kDecodedSignatureArea);
    const int derLength = static_cast<int>(der.size());
    Bytes signer = zeroedArea(kSignerArea, derLength);
    Bytes content = zeroedArea(kContentArea, derLength);
    Bytes extra = zeroedArea(kExtraArea, derLength);
    int signerLength = 0;
    int signerCount = 0;
    int contentLength = 0;
    int extraLength = 0;
    CheckedSignature checked;
    checked.status = KTX_Pkcs7_DecodeSignedData(der.data(), derLength, signer.data(), &signerLength,
                                                &signerCount, content.data(), &contentLength,
                                                extra.data(), &extraLength);
    if (checked.status == 0)
    {
        checked.signer = firstBytes(signer, signerLength);
        checked.content = firstBytes(content, contentLength);
    }
    return checked;
}

SealVerdict checkCertificateSignature(const OUString& signatureText,
                                      const OUString& certificateText, const OUString& documentText)
{
    const CheckedSignature checked = decodeCertificateSignature(signatureText);
    if (checked.status != 0)
        return { SealVerdict::Outcome::Unverifiable,
                 fromUtf8(texts::kSignatureVerifyFailed) + OUString::number(checked.status) };

    const int contentLength = static_cast<int>(checked.content.size());
    int plainLength = 0;
    KTX_Pkcs7_DecodeData(checked.content.data(), contentLength, nullptr, &plainLength);
    plainLength = std::max(plainLength, 0);
    Bytes plain(static_cast<size_t>(plainLength) + 1, 0);
    int writtenLength = plainLength;
    const int status
        = KTX_Pkcs7_DecodeData(checked.content.data(), contentLength, plain.data(), &writtenLength);
    if (status != 0)
        return { SealVerdict::Outcome::Unverifiable,
                 fromUtf8(texts::kSignedDataDecodeFailed) + OUString::number(status) };

    // The "Cert" field is not signed: a seal that names someone other than its signer is a
    // forgery of that person's seal, whatever the text says. A library that does not say who
    // signed leaves the field unchecked, as its contract has it.
    const bool namesItsSigner
        = checked.signer.empty() || certificateOfField(certificateText) == checked.signer;
    if (!namesItsSigner)
        return { SealVerdict::Outcome::Refused, fromUtf8(texts::kCertificateNotSigner) };
    const OUString signedText
        = fromGbkBounded(reinterpret_cast<const char*>(plain.data()), plainLength);
    return { signedText == documentText ? SealVerdict::Outcome::Valid
                                        : SealVerdict::Outcome::Changed,
             OUString() };
}
}
