/// The electronic-seal library, loaded by file name while an operation needs it. Every call looks
/// its entry point up at the moment of the call and answers 0 when the library or the entry point
/// is missing.
#pragma once

#include <libraries/KTXESeal.h>
#include <libraries/KTXESealCustody.h>
#include <libraries/KTXESealDetails.h>
#include <libraries/KTXESealSigner.h>

namespace quillmark
{
/// Made on the stack of each operation that calls the library. The handle is shared by the whole
/// process: a binding that ends unloads the library for every other binding alive, whose calls
/// then answer 0; the next binding made loads it again.
class SealLibraryBinding
{
public:
    SealLibraryBinding();
    virtual ~SealLibraryBinding();
    SealLibraryBinding(const SealLibraryBinding&) = delete;
    SealLibraryBinding& operator=(const SealLibraryBinding&) = delete;

    int SignESeal(const char* text, int textLength, char* signature, int* signatureLength);
    int ShowESealInfo(const char* text, int textLength, const char* signature, int signatureLength);
    int ShowESealCert(const char* text, int textLength, const char* signature, int signatureLength);
    int GetESealPic(const char* signature, int signatureLength, unsigned char* picture,
                    int* pictureLength);
    int GetPicSize(const unsigned char* picture, int pictureLength, int* width, int* height);
    int CheckRemovedRight(const char* signature, int signatureLength);
    /// The library's window: who shows the details of ShowESealCert.
    int SetESealDetailsPresenter(KTXESealDetailsPresenter presenter, void* context);
    /// Who made a signature: seal id, organisation and a fingerprint of seal and signer.
    int GetESealSigner(const char* signature, int signatureLength, char* sealId, int sealIdSize,
                       char* organisation, int organisationSize, char* fingerprint,
                       int fingerprintSize);
    /// The seal's custody: who gives its PIN and hears why it refused, and which operation on
    /// which document the stamping register records.
    int SetESealPinProvider(KTXESealPinProvider provider, KTXESealRefusalNotice notice,
                            void* context);
    int SetESealOperation(int operation, const char* title, const char* file);

    /// True while the process holds the library.
    static bool loaded();
};
}
