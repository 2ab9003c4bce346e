// Removing a document seal needs the right to: the seal library's consent for its seals, a PIN
// login to the certificate library for the others.

#include <common/DeclaredExceptions.hxx>
#include <component/QORVHelper.hxx>
#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <libraries/SealKeyCustody.hxx>
#include <libraries/SealLibraryBinding.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace quillmark
{
bool QORVHelper::loginWithCertInfoBox()
{
    Reference<Quillmark::UITools::XCertInfoBox> box = createCertInfoBox();
    if (!box.is() || !box->executePinDialog())
        return false;
    userPin = box->getPin();
    return loginWithPin();
}

sal_Bool QORVHelper::removeDocumentStamp()
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        if (!model().is())
            return false;
        if (isDocumentSealSelected())
        {
            OUString signature;
            readDocumentSignature(signature);
            SealLibraryBinding sealLibrary;
            SealKeyCustody custody(*this, sealLibrary, KTXESEAL_OPERATION_REMOVE_DOCUMENT_SEAL);
            const OString signatureBytes = toGbk(signature);
            if (sealLibrary.CheckRemovedRight(signatureBytes.getStr(), signatureBytes.getLength())
                == 0)
            {
                documentModified = false;
                return false;
            }
            documentModified = true;
            removeSelectedDocumentSeal();
            return true;
        }
        if (!loginWithCertInfoBox())
            return false;
        removeSelectedDocumentSeal();
        return true;
    });
}

// Deletes whatever seal picture is selected, without asking for any right.
sal_Bool QORVHelper::deleteSelectedStamp() { return deleteSelectedSeal(); }
}
