// A certificate seal keeps a PKCS#7 signature of the document text; the text inside it must
// equal the document's text exactly.

#include "CertificateAreas.hxx"
#include "LibraryTexts.hxx"
#include "QorvApi.h"
#include "SealVerdict.hxx"

#include <QORVHelper.hxx>
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

}

SealVerdict checkCertificateSignature(const OUString& signatureText, const OUString& documentText)
{
    const OString base64 = toGbk(signatureText);
    std::vector<unsigned char> der
        = zeroedArea(kDecodedSignatureArea, base64DecodedCapacity(base64.getLength()));
    int derLength = 0;
    KTX_Base64_Decode(reinterpret_cast<const unsigned char*>(base64.getStr()), base64.getLength(),
                      der.data(), &derLength);
    derLength = std::clamp(derLength, 0, static_cast<int>(der.size()));

    std::vector<unsigned char> signer = zeroedArea(kSignerArea, derLength);
    std::vector<unsigned char> content = zeroedArea(kContentArea, derLength);
    std::vector<unsigned char> extra = zeroedArea(kExtraArea, derLength);
    int signerLength = 0;
    int signerValue = 0;
    int contentLength = 0;
    int extraLength = 0;
    int status = KTX_Pkcs7_DecodeSignedData(der.data(), derLength, signer.data(), &signerLength,
                                            &signerValue, content.data(), &contentLength,
                                            extra.data(), &extraLength);
    if (status != 0)
        return { SealVerdict::Outcome::Unverifiable,
                 fromUtf8(texts::kSignatureVerifyFailed) + OUString::number(status) };
    contentLength = std::clamp(contentLength, 0, static_cast<int>(content.size()));

    int plainLength = 0;
    KTX_Pkcs7_DecodeData(content.data(), contentLength, nullptr, &plainLength);
    plainLength = std::max(plainLength, 0);
    std::vector<unsigned char> plain(static_cast<size_t>(plainLength) + 1, 0);
    int writtenLength = plainLength;
    status = KTX_Pkcs7_DecodeData(content.data(), contentLength, plain.data(), &writtenLength);
    if (status != 0)
        return { SealVerdict::Outcome::Unverifiable,
                 fromUtf8(texts::kSignedDataDecodeFailed) + OUString::number(status) };

    const OUString signedText
        = fromGbkBounded(reinterpret_cast<const char*>(plain.data()), plainLength);
    return { signedText == documentText ? SealVerdict::Outcome::Valid
                                        : SealVerdict::Outcome::Changed,
             OUString() };
}

bool QORVHelper::verifyDocumentSignature()
{
    libraryReady = initializeCertificateLibrary();
    if (!libraryReady)
        return false;

    OUString signatureText;
    if (!readSealField(kSignField, signatureText))
    {
        showMessage(fromUtf8(texts::kNotSigned));
        return false;
    }
    const SealVerdict verdict = checkCertificateSignature(signatureText, getDocumentText());
    if (verdict.outcome == SealVerdict::Outcome::Unverifiable)
    {
        showMessage(verdict.reason);
        return false;
    }
    documentModified = !verdict.valid();
    return true;
}
}
