// Verification: has the document text changed since it was stamped? The selected seals show the
// verdict.

#include <operations/OperationTexts.hxx>

#include <common/DeclaredExceptions.hxx>
#include <docstore/DocstoreTexts.hxx>
#include <docstore/DocumentCoverage.hxx>
#include <libraries/LibraryTexts.hxx>
#include <operations/SealJudgement.hxx>
#include <docstore/SignatureFields.hxx>
#include <format/UserMasters.hxx>
#include <format/WordFormats.hxx>
#include <component/QORVHelper.hxx>
#include <libraries/SealLibraryBinding.hxx>
#include <operations/SealSurvey.hxx>
#include <libraries/SealVerdict.hxx>

using namespace com::sun::star;
using css::uno::Reference;

namespace quillmark
{
bool QORVHelper::verifySealLibrarySignature()
{
    const std::optional<SurveyedSeal> seal = surveyDocumentSeal(componentContext, model());
    // A seal that cannot be checked is no valid seal either.
    documentModified = !seal || !seal->valid;
    return seal && seal->checked;
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
    const Reference<frame::XModel> document = model();
    SealSubject subject;
    subject.text = getDocumentText();
    subject.signature = signatureText;
    readSealField(kCertField, subject.certificate);
    subject.coverage = readUserMaster(document, containerName + ascii(texts::kCoverageSuffix));
    subject.pictures = sealShapesByName(document)[containerName];
    subject.currentParts
        = [this, document] { return readDocumentCoverage(componentContext, document); };
    subject.lossyFormat = lostFieldMasters(document);
    const SealJudgement judgement = judgeCertificateSeal(componentContext, subject);
    if (!judgement.checked)
    {
        showMessage(judgement.reason);
        return false;
    }
    documentModified = !judgement.valid;
    // The box says the verdict in the words it always had, and why where those do not.
    lastVerdict = judgement.valid || !judgement.changed.empty()
                      ? judgement.reason
                      : fromUtf8(texts::kDocumentModified) + fromUtf8(texts::kReasonOpen)
                            + judgement.reason + fromUtf8(texts::kReasonClose);
    return true;
}

sal_Bool QORVHelper::verifyDocument()
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        if (!model().is())
            return false;
        if (isDocumentSealSelected())
        {
            // Checked or not, the flag says invalid unless a check passed; the marking shows it.
            if (!verifySealLibrarySignature())
                documentModified = true;
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
        tools->showCertificateInfo(lastVerdict);
        markDocumentSeals(documentModified);
        return documentModified;
    });
}
}
