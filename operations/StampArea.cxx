// The stamping area is a protected placeholder picture near the text cursor; stamping later puts
// the seal in its place.

#include "OperationTexts.hxx"

#include <CaughtExceptions.hxx>
#include <ComponentTexts.hxx>
#include <OfficeConstants.hxx>
#include <QORVHelper.hxx>
#include <ShapeAttributes.hxx>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XDispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
constexpr sal_Int32 kAreaOffsetX = 3200;
constexpr sal_Int32 kAreaOffsetY = 2540;
/// The view cursor's Y runs on across pages; the area is placed on the cursor's page band.
constexpr sal_Int32 kPageBand = 29800;

beans::PropertyValue argument(const char* name, const Any& value)
{
    beans::PropertyValue property;
    property.Name = ascii(name);
    property.Value = value;
    return property;
}

Reference<container::XNameAccess> graphicObjects(const Reference<frame::XModel>& document)
{
    return Reference<text::XTextGraphicObjectsSupplier>(document, UNO_QUERY_THROW)
        ->getGraphicObjects();
}

/// The text graphic the office's insert command has just made and selected, or empty.
Reference<uno::XInterface> insertedGraphic(const Reference<frame::XModel>& document,
                                           const Sequence<OUString>& graphicsBefore)
{
    Reference<uno::XInterface> selected = document->getCurrentSelection();
    if (!offersService(selected, texts::kTextGraphicObject))
        return {};
    const OUString name = Reference<container::XNamed>(selected, UNO_QUERY_THROW)->getName();
    for (const OUString& before : graphicsBefore)
        if (before == name)
            return {};
    return selected;
}
}

Reference<uno::XInterface> QORVHelper::insertPictureAtViewCursor(const OUString& pictureUrl)
{
    Reference<graphic::XGraphicProvider> provider(
        createService("com.sun.star.graphic.GraphicProvider"), UNO_QUERY_THROW);
    const beans::PropertyValue media[] = { argument("URL", Any(pictureUrl)) };
    Reference<graphic::XGraphic> picture
        = provider->queryGraphic(Sequence<beans::PropertyValue>(media, 1));
    if (!picture.is())
        throw uno::RuntimeException("cannot read the picture " + pictureUrl);

    Reference<frame::XModel> document = model();
    Reference<beans::XPropertySet> graphic(
        Reference<lang::XMultiServiceFactory>(document, UNO_QUERY_THROW)
            ->createInstance(ascii(texts::kTextGraphicObject)),
        UNO_QUERY_THROW);
    graphic->setPropertyValue("Graphic", Any(picture));
    Reference<text::XTextViewCursor> cursor
        = Reference<text::XTextViewCursorSupplier>(documentFrame->getController(), UNO_QUERY_THROW)
              ->getViewCursor();
    cursor->getText()->insertTextContent(
        cursor->getStart(), Reference<text::XTextContent>(graphic, UNO_QUERY_THROW), false);
    return graphic;
}

sal_Bool QORVHelper::insertStampArea()
{
    return withEveryExceptionCaught(
        sal_Bool(false),
        [&]() -> sal_Bool {
            Reference<frame::XModel> document = model();
            if (!document.is())
                return false;
            Reference<container::XNameAccess> graphics = graphicObjects(document);
            if (graphics->hasByName(ascii(texts::kStampAreaName)))
            {
                showErrorMessage(fromUtf8(texts::kSecondStampArea));
                return false;
            }
            const awt::Point cursor = Reference<text::XTextViewCursorSupplier>(
                                          documentFrame->getController(), UNO_QUERY_THROW)
                                          ->getViewCursor()
                                          ->getPosition();

            parsePictureURL(getGraphicDirectoryURL() + "/" + ascii(texts::kStampAreaPicture));

            const beans::PropertyValue arguments[]
                = { argument("FileName", Any(pictureURL.Complete)),
                    argument("AsLink", Any(false)) };
            // With a picture selected, the office's insert command would replace that picture's
            // content: the area then goes in through the document model instead. So it does when
            // the command inserts nothing, as this office does once a graphic has been handed out
            // as the selection, until the user clicks into the document.
            Reference<uno::XInterface> area;
            if (offersService(document->getCurrentSelection(), "com.sun.star.text.TextRanges"))
            {
                const Sequence<OUString> graphicsBefore = graphics->getElementNames();
                Reference<frame::XDispatchHelper>(createService(texts::kDispatchHelperService),
                                                  UNO_QUERY_THROW)
                    ->executeDispatch(
                        Reference<frame::XDispatchProvider>(documentFrame, UNO_QUERY_THROW),
                        ascii(texts::kInsertGraphicCommand), OUString(), 0,
                        Sequence<beans::PropertyValue>(arguments, 2));
                area = insertedGraphic(document, graphicsBefore);
            }
            if (!area.is())
                area = insertPictureAtViewCursor(pictureURL.Complete);
            Reference<container::XNamed>(area, UNO_QUERY_THROW)
                ->setName(ascii(texts::kStampAreaName));
            Reference<beans::XPropertySet> properties(area, UNO_QUERY_THROW);
            properties->setPropertyValue("TextWrap", Any(kWrapThrough));
            properties->setPropertyValue("AnchorType", Any(kAnchorAtPage));
            properties->setPropertyValue("ContentProtected", Any(true));
            properties->setPropertyValue("SizeProtected", Any(true));
            writeAlternativeText(properties, ascii(texts::kDocumentSealMark));
            properties->setPropertyValue("HoriOrient", Any(kNoOrientation));
            properties->setPropertyValue("VertOrient", Any(kNoOrientation));
            properties->setPropertyValue("HoriOrientPosition", Any(cursor.X + kAreaOffsetX));
            properties->setPropertyValue("VertOrientPosition",
                                         Any(cursor.Y % kPageBand + kAreaOffsetY));
            return true;
        },
        [&](CaughtFault) { showErrorMessage(fromUtf8(texts::kInsertStampAreaFailed)); });
}
}
