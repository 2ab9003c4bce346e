// Six details of the signer's certificate, for the certificate box.

#include <libraries/CertificateAreas.hxx>
#include <libraries/CertificateVerification.hxx>
#include <libraries/LibraryTexts.hxx>
#include <libraries/QorvApi.h>

#include <component/QORVHelper.hxx>
#include <cstring>

namespace quillmark
{
namespace
{
/// How an item's output is read.
enum class ItemForm
{
    Integer,    ///< a 4-byte integer, stored in decimal
    Terminated, ///< text up to its NUL
    Counted     ///< exactly the returned number of bytes
};

struct CertificateItem
{
    int type;
    int areaSize;
    ItemForm form;
    sal_Int32 entry;
    const char* failure;
};

const CertificateItem kItems[] = {
    { QORV_CERT_VERSION, 4, ItemForm::Integer, 0, texts::kCertificateVersionFailed },
    { QORV_CERT_SERIAL_NUMBER, 132, ItemForm::Terminated, 1, texts::kSerialNumberFailed },
    { QORV_CERT_NOT_BEFORE, 32, ItemForm::Terminated, 2, texts::kValidityFailed },
    { QORV_CERT_NOT_AFTER, 32, ItemForm::Terminated, 3, texts::kValidityFailed },
    { QORV_CERT_ISSUER_COMMON_NAME, 32, ItemForm::Counted, 8, texts::kIssuerNameFailed },
    { QORV_CERT_SUBJECT_COUNTRY, 32, ItemForm::Counted, 15, texts::kCountryNameFailed },
};

OUString itemText(const CertificateItem& item, const std::vector<unsigned char>& area, int length)
{
    const char* bytes = reinterpret_cast<const char*>(area.data());
    switch (item.form)
    {
        case ItemForm::Integer:
        {
            sal_Int32 value = 0;
            std::memcpy(&value, area.data(), sizeof value);
            return OUString::number(value);
        }
        case ItemForm::Terminated:
            return fromGbkBounded(bytes, item.areaSize);
        case ItemForm::Counted:
            return fromGbk(bytes, std::clamp(length, 0, item.areaSize));
    }
    return {};
}
}

bool QORVHelper::loadCertificateInfo()
{
    // The details are those of the certificate that made the signature, as the library found it
    // in the signature: the seal's "Cert" field is not signed and may name anyone. A library that
    // does not say who signed leaves the field's certificate, as its contract has it.
    OUString signatureText;
    CheckedSignature checked;
    if (readSealField(kSignField, signatureText))
        checked = decodeCertificateSignature(signatureText);
    OUString certificateText;
    if (checked.status == 0 && checked.signer.empty() && readSealField(kCertField, certificateText))
        checked.signer = certificateOfField(certificateText);
    if (checked.status != 0 || checked.signer.empty())
    {
        showMessage(fromUtf8(texts::kCertificateInfoFailed));
        return false;
    }
    std::vector<unsigned char>& der = checked.signer;
    const int derLength = static_cast<int>(der.size());

    OUString* entries = certificateInfo.getArray();
    for (const CertificateItem& item : kItems)
    {
        std::vector<unsigned char> area(static_cast<size_t>(item.areaSize), 0);
        int length = 0;
        const int status
            = KTX_GetCertificateInfo(der.data(), derLength, item.type, area.data(), &length);
        if (status != 0)
        {
            showMessage(fromUtf8(item.failure) + OUString::number(status));
            return false;
        }
        entries[item.entry] = itemText(item, area, length);
    }
    return true;
}
}
