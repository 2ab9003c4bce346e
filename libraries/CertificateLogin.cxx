// The hold on the signer's key token through the certificate library: opening the library,
// unlocking the token with the PIN and learning the certificate's container name.

#include <libraries/CertificateListRecord.hxx>
#include <libraries/LibraryTexts.hxx>
#include <libraries/QorvApi.h>
#include <libraries/SealVerdict.hxx>

#include <component/QORVHelper.hxx>
#include <common/SecretText.hxx>
#include <vector>

namespace quillmark
{
int startCertificateLibrary()
{
    return KTX_Initialize(texts::kCspType, texts::kCspName, texts::kKeyDriverType,
                          texts::kKeyDriverName);
}

bool QORVHelper::initializeCertificateLibrary()
{
    const int status = startCertificateLibrary();
    if (status == 0)
        return true;
    showMessage(fromUtf8(texts::kInitializeFailed) + OUString::number(status));
    return false;
}

void QORVHelper::finalizeCertificateLibrary() { KTX_Finalize(); }

bool QORVHelper::loadContainerName()
{
    std::vector<unsigned char> certificates(QORV_CERT_LIST_SIZE, 0);
    if (KTX_EnumUsrCertificates(certificates.data()) != 0)
    {
        showMessage(fromUtf8(texts::kContainerNameFailed));
        return false;
    }
    containerName = containerNameInRecord(certificates.data());
    KTX_EnumUsrCertificatesFree(certificates.data());
    return true;
}

bool QORVHelper::loginWithPin()
{
    libraryReady = initializeCertificateLibrary();
    if (!libraryReady)
    {
        wipeSecret(userPin);
        return false;
    }
    // The library takes the PIN's length in characters, not in bytes. Neither form of the PIN
    // outlives the call.
    SecretBytes pin = toGbkSecret(userPin);
    const int status = KTX_Login(pin.data(), userPin.getLength());
    wipeSecret(userPin);
    if (status != 0)
    {
        showMessage(fromUtf8(texts::kLoginFailed) + OUString::number(status));
        return false;
    }
    return loadContainerName();
}
}
