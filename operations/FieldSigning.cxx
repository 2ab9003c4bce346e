// Signing a field: its text is signed with the electronic seal, the signature goes into the
// start marker, and the seal picture is placed beside the field's end.

#include <operations/FieldMarkers.hxx>
#include <operations/FieldStampPosition.hxx>
#include <operations/FixedFields.hxx>
#include <operations/OperationTexts.hxx>
#include <operations/SignatureArea.hxx>

#include <common/OfficeNames.hxx>
#include <docstore/DocstoreTexts.hxx>
#include <common/PicturePaths.hxx>
#include <common/DeclaredExceptions.hxx>
#include <component/QORVHelper.hxx>
#include <libraries/SealKeyCustody.hxx>
#include <libraries/SealLibraryBinding.hxx>
#include <format/ShapeAttributes.hxx>
#include <format/CoverageManifest.hxx>
#include <docstore/DocumentCoverage.hxx>
#include <operations/SealJudgement.hxx>
#include <docstore/SignatureFields.hxx>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
constexpr sal_Int32 kWrapThrough = 1;  // WrapTextMode THROUGHT
constexpr sal_Int32 kAnchorAtPage = 2; // TextContentAnchorType AT_PAGE
constexpr sal_Int16 kNoOrientation = 0;

PageMetrics defaultPageMetrics(const Reference<lang::XMultiServiceFactory>& factory)
{
    // A page style of its own, never inserted: its values are the defaults.
    Reference<beans::XPropertySet> style(factory->createInstance(texts::kPageStyleService),
                                         UNO_QUERY_THROW);
    PageMetrics metrics;
    style->getPropertyValue("Height") >>= metrics.height;
    style->getPropertyValue("TopMargin") >>= metrics.topMargin;
    style->getPropertyValue("BottomMargin") >>= metrics.bottomMargin;
    return metrics;
}

/// The signature the field's first start marker holds, which storing a signature replaces.
OUString storedSignature(QORVHelper& helper, const OUString& fieldName)
{
    Reference<beans::XPropertySet> marker(
        helper.findFieldByContent(fieldName + ascii(texts::kFieldStartSuffix)), UNO_QUERY);
    OUString signature;
    if (marker.is())
        marker->getPropertyValue("Author") >>= signature;
    return signature;
}

/// Keeps the helper registered once on the controller, however often placement runs.
void listenToSelection(const Reference<frame::XController>& controller,
                       const Reference<view::XSelectionChangeListener>& listener)
{
    Reference<view::XSelectionSupplier> selection(controller, UNO_QUERY_THROW);
    selection->removeSelectionChangeListener(listener);
    selection->addSelectionChangeListener(listener);
}
}

sal_Bool SAL_CALL QORVHelper::signField(const OUString& fieldName)
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        SealLibraryBinding sealLibrary;
        SealKeyCustody custody(*this, sealLibrary, KTXESEAL_OPERATION_STAMP_FIELD);
        if (!model().is())
            return false;
        // One walk over the document's fields serves every step: a walk for each would make
        // signing all fields of a document take time in the square of their number.
        const FieldMarkerSet markers = findFieldMarkers(model(), fieldName);
        if (markers.text().isEmpty())
        {
            showMessage(fromUtf8(texts::kFieldEmpty));
            return false;
        }
        if (!markers.signature().isEmpty())
        {
            showMessage(fromUtf8(texts::kFieldAlreadySigned));
            return false;
        }

        // What a field shows today must be what it shows on any later day, under any name.
        FixedFields fixedFields(model(), markers.range());
        const OUString text = markers.text();
        // As for the document: a lossy text could be changed without breaking its seal.
        const std::optional<OString> textBytes = toGbkExactly(text);
        if (!textBytes)
        {
            showMessage(fromUtf8(texts::kFieldTextLossBefore) + firstCharacterWithoutGbkForm(text)
                        + fromUtf8(texts::kFieldTextLossAfter));
            return false;
        }
        std::vector<char> area = signatureArea();
        int signatureLength = 0;
        // The area's content, not the result, tells whether the library signed.
        sealLibrary.SignESeal(textBytes->getStr(), textBytes->getLength(), area.data(),
                              &signatureLength);
        const OUString signature = signatureInArea(area);
        if (signature.isEmpty())
        {
            if (!custody.holderKnowsWhy())
                showMessage(fromUtf8(texts::kFieldSigningFailed));
            return false;
        }
        // The field's formatting and what lies in it, signed by the same seal beside its text.
        CoverageManifest manifest;
        manifest.scope = CoverageManifest::Scope::Field;
        manifest.parts = readRegionCoverage(componentContext, markers.range());
        custody.continueAs(KTXESEAL_OPERATION_COVER_FIELD);
        const std::optional<OUString> coverage = signCoverage(sealLibrary, manifest);
        if (!coverage)
        {
            showMessage(fromUtf8(texts::kFieldSigningFailed));
            return false;
        }

        // The text was found, so the field has its start marker, which keeps the signature.
        const OUString coverageField = fieldName + ascii(texts::kFieldCoverageSuffix);
        markers.firstStart->setPropertyValue("Author", Any(signature));
        writeUserMaster(model(), coverageField, *coverage);
        const OUString picture = writeSealPictureFile(fieldName, signature);
        // A signature without its seal would claim a seal nobody sees: the field stays unsigned.
        if (picture.isEmpty()
            || !placeFieldStamp(fieldName, picture, markers.lastStart, markers.lastEnd))
        {
            markers.firstStart->setPropertyValue("Author", Any(OUString()));
            removeUserMaster(model(), coverageField);
            return false;
        }
        fixedFields.keep();
        if (fixedFields.count() > 0)
            showMessage(fromUtf8(texts::kFieldsFixedBefore) + OUString::number(fixedFields.count())
                        + fromUtf8(texts::kFieldsFixedAfter));
        return true;
    });
}

sal_Bool SAL_CALL QORVHelper::setFieldSignature(const OUString& fieldName,
                                                const OUString& signature)
{
    return withDeclaredExceptions([&]() -> sal_Bool {
        if (!model().is())
            return false;
        const OUString previous = storedSignature(*this, fieldName);
        const OUString coverageField = fieldName + ascii(texts::kFieldCoverageSuffix);
        const std::optional<OUString> previousCoverage = readUserMaster(model(), coverageField);
        if (!storeFieldSignature(fieldName, signature))
            return false;
        // A signature made elsewhere comes without a coverage; one left from an earlier
        // signature would speak for a signature it was not made beside.
        removeUserMaster(model(), coverageField);
        // A text that carries no seal picture is no signature, and neither is one whose seal
        // finds no place: the field keeps what it held.
        const OUString picture = writeSealPictureFile(fieldName, signature);
        if (picture.isEmpty() || !placeFieldStamp(fieldName, picture))
        {
            storeFieldSignature(fieldName, previous);
            restoreUserMaster(model(), coverageField, previousCoverage);
            return false;
        }
        return true;
    });
}

bool QORVHelper::placeFieldStamp(const OUString& fieldName, const OUString& pictureUrl)
{
    Reference<beans::XPropertySet> start;
    Reference<beans::XPropertySet> end;
    try
    {
        const FieldMarkerSet markers = findFieldMarkers(model(), fieldName);
        start = markers.lastStart;
        end = markers.lastEnd;
    }
    catch (const uno::Exception& exception)
    {
        SAL_WARN("quillmark.operations",
                 "the field's markers were not found: " << exception.Message);
        showErrorMessage(fromUtf8(texts::kInsertFieldSealFailed));
        return false;
    }
    return placeFieldStamp(fieldName, pictureUrl, start, end);
}

bool QORVHelper::placeFieldStamp(const OUString& fieldName, const OUString& pictureUrl,
                                 const Reference<beans::XPropertySet>& lastStart,
                                 const Reference<beans::XPropertySet>& lastEnd)
{
    try
    {
        sealPosition = awt::Point(-1, -1);
        fieldPictureURL = pictureUrl;

        Reference<frame::XModel> document = model();
        Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
        Reference<frame::XController> controller = document->getCurrentController();
        Reference<text::XTextViewCursor> viewCursor
            = Reference<text::XTextViewCursorSupplier>(controller, UNO_QUERY_THROW)
                  ->getViewCursor();
        listenToSelection(controller, this);
        const PageMetrics page = defaultPageMetrics(factory);

        // The last marker of each kind decides.
        Reference<text::XTextRange> endAnchor;
        if (lastStart.is())
        {
            viewCursor->gotoRange(
                Reference<text::XTextContent>(lastStart, UNO_QUERY_THROW)->getAnchor(), false);
            sealPosition.X = viewCursor->getPosition().X;
        }
        if (lastEnd.is())
        {
            endAnchor = Reference<text::XTextContent>(lastEnd, UNO_QUERY_THROW)->getAnchor();
            viewCursor->gotoRange(endAnchor, false);
            sealPosition.Y = viewCursor->getPosition().Y;
        }

        if (!fileExists(fieldPictureURL))
        {
            showErrorMessage(ascii(texts::kNoSuchFile));
            return false;
        }

        Reference<beans::XPropertySet> graphic(
            factory->createInstance(ascii(texts::kTextGraphicObject)), UNO_QUERY_THROW);
        Reference<container::XNamed>(graphic, UNO_QUERY_THROW)->setName(fieldName);
        graphic->setPropertyValue("GraphicURL", Any(pictureUrl));
        graphic->setPropertyValue("TextWrap", Any(kWrapThrough));
        graphic->setPropertyValue("GraphicFilter", Any(OUString()));
        graphic->setPropertyValue("AnchorType", Any(kAnchorAtPage));
        graphic->setPropertyValue("ContentProtected", Any(true));
        graphic->setPropertyValue("SizeProtected", Any(true));
        graphic->setPropertyValue("PositionProtected", Any(true));

        // Without both markers there is no place for the seal, and no end anchor to go to.
        if (sealPosition.X == -1 || sealPosition.Y == -1 || !endAnchor.is())
            return false;
        viewCursor->gotoRange(endAnchor, false);
        Reference<text::XTextRange> insertion = viewCursor->getEnd();
        Reference<text::XText> target = insertion->getText();

        const std::optional<FieldStampPosition> position = computeFieldStampPosition(
            page, sealPictureSize.Height, sealPosition.X, sealPosition.Y);
        if (!position)
            return false;
        // Where the arithmetic names no page, the seal still belongs on the end marker's page:
        // Writer turns a page anchor without a page number into a character anchor at the
        // insertion point, and would then take these positions from the marker's paragraph.
        const sal_Int16 markerPage
            = Reference<text::XPageCursor>(viewCursor, UNO_QUERY_THROW)->getPage();
        const sal_Int16 anchorPage = position->anchor == FieldStampPosition::Anchor::NextPage
                                         ? markerPage + 1
                                         : markerPage;
        graphic->setPropertyValue("AnchorPageNo", Any(anchorPage));
        sealPosition = awt::Point(position->x, position->y);

        graphic->setPropertyValue("HoriOrient", Any(kNoOrientation));
        graphic->setPropertyValue("VertOrient", Any(kNoOrientation));
        graphic->setPropertyValue("HoriOrientPosition", Any(sealPosition.X));
        graphic->setPropertyValue("VertOrientPosition", Any(sealPosition.Y));
        setShapeType(graphic, ascii(texts::kFieldSealMark));
        writeAlternativeText(graphic, ascii(texts::kFieldSealMark));
        target->insertTextContent(insertion,
                                  Reference<text::XTextContent>(graphic, UNO_QUERY_THROW), false);
        return true;
    }
    catch (const uno::Exception& exception)
    {
        SAL_WARN("quillmark.operations", "the field seal was not placed: " << exception.Message);
        showErrorMessage(fromUtf8(texts::kInsertFieldSealFailed));
        return false;
    }
}
}
