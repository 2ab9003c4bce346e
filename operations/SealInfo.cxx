// The selected seal's details with a message. The seal library's window says what the library
// found of the text; the verdict shown is the whole seal's, coverage and pictures included.

#include <operations/SealSurvey.hxx>

#include <libraries/CertificateDialog.hxx>
#include <common/DeclaredExceptions.hxx>
#include <component/QORVHelper.hxx>
#include <libraries/SealLibraryBinding.hxx>

namespace quillmark
{
sal_Bool QORVHelper::showCertificateInfo(const OUString& message)
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        if (!model().is())
            return false;
        if (!isDocumentSealSelected())
            return showCertificateBox(*this, message);

        std::optional<std::pair<bool, OUString>> verdict;
        if (const std::optional<SurveyedSeal> seal = surveyDocumentSeal(componentContext, model()))
            verdict = std::make_pair(seal->valid, seal->reason);
        SealLibraryBinding sealLibrary;
        OUString signature;
        readDocumentSignature(signature);
        const bool libraryValid
            = showSealLibraryDetails(*this, sealLibrary, getDocumentText(), signature, verdict);
        // The library vouches for the text alone: a seal whose coverage or picture fails is no
        // valid seal, whatever the library answers.
        return libraryValid && verdict && verdict->first;
    });
}
}
