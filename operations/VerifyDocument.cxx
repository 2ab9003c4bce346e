// Verification: has the document text changed since it was stamped? The selected seals show the
// verdict.

#include "OperationTexts.hxx"

#include <DeclaredExceptions.hxx>
#include <QORVHelper.hxx>
#include <SealLibraryBinding.hxx>

using namespace com::sun::star;
using css::uno::Reference;

namespace quillmark
{
bool QORVHelper::verifySealLibrarySignature()
{
    SealLibraryBinding sealLibrary;
    OUString signature;
    readDocumentSignature(signature);
    const OString text = toGbk(getDocumentText());
    const OString signatureBytes = toGbk(signature);
    documentModified
        = sealLibrary.ShowESealInfo(text.getStr(), text.getLength(), signatureBytes.getStr(),
                                    signatureBytes.getLength())
          == 0;
    return true;
}

sal_Bool QORVHelper::verifyDocument()
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        if (!model().is())
            return false;
        if (isDocumentSealSelected())
        {
            verifySealLibrarySignature();
            markDocumentSeals(documentModified);
            return documentModified;
        }
        if (!verifyDocumentSignature())
            return documentModified;
        // The verdict goes through the interface, so that a caller's own implementation is
        // used.
        Reference<Quillmark::Certificate::XQORVTools> tools(this);
        tools->showCertificateInfo(
            fromUtf8(documentModified ? texts::kDocumentModified : texts::kDocumentUnchanged));
        markDocumentSeals(documentModified);
        return documentModified;
    });
}
}
