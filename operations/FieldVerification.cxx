// Checking a field against its signature, and taking a field's seal away.

#include <operations/FieldMarkers.hxx>
#include <operations/OperationTexts.hxx>

#include <common/CaughtExceptions.hxx>
#include <common/OfficeNames.hxx>
#include <docstore/DocstoreTexts.hxx>
#include <common/DeclaredExceptions.hxx>
#include <component/QORVHelper.hxx>
#include <libraries/SealKeyCustody.hxx>
#include <libraries/SealLibraryBinding.hxx>
#include <operations/SealJudgement.hxx>
#include <operations/SealSurvey.hxx>
#include <format/UserMasters.hxx>
#include <format/WordFormats.hxx>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
/// How the selection-based operations report what they caught.
void reportCaught(QORVHelper& helper, CaughtFault fault)
{
    helper.showMessage(fromUtf8(fault == CaughtFault::MissingProperty ? texts::kSealContentLost
                                                                      : texts::kVerifyFailed));
}

/// Whether the text graphic object is still one of the document's.
bool isInDocument(const Reference<frame::XModel>& document,
                  const Reference<uno::XInterface>& graphic)
{
    Reference<container::XNameAccess> graphics
        = Reference<text::XTextGraphicObjectsSupplier>(document, UNO_QUERY_THROW)
              ->getGraphicObjects();
    const uno::Sequence<OUString> names = graphics->getElementNames();
    for (const OUString& name : names)
        if (Reference<uno::XInterface>(graphics->getByName(name), UNO_QUERY) == graphic)
            return true;
    return false;
}

/// The field named by the selected field seal, or "" when no text graphic is selected.
OUString selectedFieldName(const Reference<uno::XInterface>& selection)
{
    if (!offersService(selection, texts::kTextGraphicObject))
        return OUString();
    return Reference<container::XNamed>(selection, UNO_QUERY_THROW)->getName();
}
}

sal_Bool SAL_CALL QORVHelper::verifyField(const OUString& fieldName)
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        SealLibraryBinding sealLibrary;
        if (!model().is())
            return false;
        // One walk over the document's fields finds both the signature and the text.
        const FieldMarkerSet markers = findFieldMarkers(model(), fieldName);
        const OUString signature = markers.signature();
        if (signature.isEmpty())
        {
            showMessage(fromUtf8(texts::kFieldNotSigned));
            return false;
        }
        if (!markers.repeated()
            && judgeSealLibrarySeal(sealLibrary, componentContext,
                                    fieldSubject(componentContext, model(), fieldName, markers,
                                                 fieldSealPictures(model(), fieldName),
                                                 lostFieldMasters(model())))
                   .valid)
            return true;
        markSelectedFieldSeal(true);
        return false;
    });
}

sal_Bool SAL_CALL QORVHelper::verifySelectedField()
{
    return withEveryExceptionCaught(
        sal_Bool(false),
        [&]() -> sal_Bool {
            if (!model().is())
                return false;
            Reference<uno::XInterface> current = selection();
            if (!offersService(current, texts::kTextGraphicObject))
                return false;
            // Through the interface, as every caller of the operation would.
            Reference<Quillmark::Certificate::XQORVTools> tools(this);
            return tools->verifyField(selectedFieldName(current));
        },
        [&](CaughtFault fault) { reportCaught(*this, fault); });
}

sal_Bool SAL_CALL QORVHelper::removeSelectedFieldStamp()
{
    return withEveryExceptionCaught(
        sal_Bool(false),
        [&]() -> sal_Bool {
            SealLibraryBinding sealLibrary;
            SealKeyCustody custody(*this, sealLibrary, KTXESEAL_OPERATION_REMOVE_FIELD_SEAL);
            if (!model().is())
                return false;
            const Reference<uno::XInterface> seal = selection();
            const OUString fieldName = selectedFieldName(seal);
            const OUString signature = getFieldSignature(fieldName);
            if (signature.isEmpty())
            {
                showMessage(fromUtf8(texts::kFieldNotSigned));
                return false;
            }
            const OString signatureBytes = toGbk(signature);
            if (sealLibrary.CheckRemovedRight(signatureBytes.getStr(), signatureBytes.getLength())
                == 0)
                return false;
            // A signature without its seal would read as a field nobody signed: the signature
            // goes only once the seal is gone from the document.
            if (!deleteSelectedSeal())
                return false;
            if (isInDocument(model(), seal))
            {
                // Deletion lifted the seal's protection; a seal that stays keeps it.
                setProperty(seal, "ContentProtected", uno::Any(true));
                showMessage(fromUtf8(texts::kDeleteSealFailed));
                return false;
            }
            clearFieldSignature(fieldName);
            return true;
        },
        [&](CaughtFault fault) { reportCaught(*this, fault); });
}
}
