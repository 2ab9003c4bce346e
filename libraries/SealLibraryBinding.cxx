#include <libraries/SealLibraryBinding.hxx>

#include <dlfcn.h>

namespace quillmark
{
namespace
{
// Shared without a lock: every call comes from the office's user-interface thread.
void* libraryHandle = nullptr;

template <class Function>
Function entryPoint(const char* name)
{
    if (!libraryHandle)
        return nullptr;
    return reinterpret_cast<Function>(dlsym(libraryHandle, name));
}
}

SealLibraryBinding::SealLibraryBinding()
{
    if (!libraryHandle)
        libraryHandle = dlopen(KTXESEAL_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
}

SealLibraryBinding::~SealLibraryBinding()
{
    // Unloading an empty handle would crash here.
    if (libraryHandle)
        dlclose(libraryHandle);
    libraryHandle = nullptr;
}

bool SealLibraryBinding::loaded() { return libraryHandle != nullptr; }

int SealLibraryBinding::SignESeal(const char* text, int textLength, char* signature,
                                  int* signatureLength)
{
    auto function = entryPoint<SignESealFunction>("SignESeal");
    return function ? function(text, textLength, signature, signatureLength) : 0;
}

int SealLibraryBinding::ShowESealInfo(const char* text, int textLength, const char* signature,
                                      int signatureLength)
{
    auto function = entryPoint<ShowESealInfoFunction>("ShowESealInfo");
    return function ? function(text, textLength, signature, signatureLength) : 0;
}

int SealLibraryBinding::ShowESealCert(const char* text, int textLength, const char* signature,
                                      int signatureLength)
{
    auto function = entryPoint<ShowESealCertFunction>("ShowESealCert");
    return function ? function(text, textLength, signature, signatureLength) : 0;
}

int SealLibraryBinding::GetESealPic(const char* signature, int signatureLength,
                                    unsigned char* picture, int* pictureLength)
{
    auto function = entryPoint<GetESealPicFunction>("GetESealPic");
    return function ? function(signature, signatureLength, picture, pictureLength) : 0;
}

int SealLibraryBinding::GetPicSize(const unsigned char* picture, int pictureLength, int* width,
                                   int* height)
{
    auto function = entryPoint<GetPicSizeFunction>("GetPicSize");
    return function ? function(picture, pictureLength, width, height) : 0;
}

int SealLibraryBinding::CheckRemovedRight(const char* signature, int signatureLength)
{
    auto function = entryPoint<CheckRemovedRightFunction>("CheckRemovedRight");
    return function ? function(signature, signatureLength) : 0;
}
}

namespace quillmark
{
int SealLibraryBinding::SetESealDetailsPresenter(KTXESealDetailsPresenter presenter, void* context)
{
    auto function = entryPoint<SetESealDetailsPresenterFunction>("SetESealDetailsPresenter");
    return function ? function(presenter, context) : 0;
}

int SealLibraryBinding::GetESealSigner(const char* signature, int signatureLength, char* sealId,
                                       int sealIdSize, char* organisation, int organisationSize,
                                       char* fingerprint, int fingerprintSize)
{
    auto function = entryPoint<GetESealSignerFunction>("GetESealSigner");
    return function ? function(signature, signatureLength, sealId, sealIdSize, organisation,
                               organisationSize, fingerprint, fingerprintSize)
                    : 0;
}
}

namespace quillmark
{
int SealLibraryBinding::SetESealPinProvider(KTXESealPinProvider provider,
                                            KTXESealRefusalNotice notice, void* context)
{
    auto function = entryPoint<SetESealPinProviderFunction>("SetESealPinProvider");
    return function ? function(provider, notice, context) : 0;
}

int SealLibraryBinding::SetESealOperation(int operation, const char* title, const char* file)
{
    auto function = entryPoint<SetESealOperationFunction>("SetESealOperation");
    return function ? function(operation, title, file) : 0;
}
}
