// Verification: has the document text changed since it was stamped? The selected seals show the
// verdict.

#include "OperationTexts.hxx"

#include <DeclaredExceptions.hxx>
#include <QORVHelper.hxx>
#include <SealLibraryBinding.hxx>
#include <SealVerdict.hxx>

using namespace com::sun::star;
using css::uno::Reference;

namespace quillmark
{
bool QORVHelper::verifySealLibrarySignature()
{
    SealLibraryBinding sealLibrary;
    OUString signature;
    readDocumentSignature(signature);
    // A seal that cannot be checked is no valid seal either.
    documentModified
        = !checkSealLibrarySignature(sealLibrary, getDocumentText(), signature).valid();
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
        {
            // The check could not be completed, so nothing vouches for the seal: it reads as
            // invalid, as for a changed document; the message has been shown already.
            documentModified = true;
            markDocumentSeals(documentModified);
            return documentModified;
        }
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
