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
#include <com/sun/star/deployment/PackageInformationProvider.hpp>
#include <com/sun/star/uno/DeploymentException.hpp>
#include <com/sun/star/frame/XDispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <PicturePaths.hxx>

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

/// The placeholder picture: the graphic folder's copy where one has been put there, else the copy
/// the extension brings along.
OUString stampAreaPictureURL(QORVHelper& helper)
{
    const OUString inGraphicFolder
        = helper.getGraphicDirectoryURL() + "/" + ascii(texts::kStampAreaPicture);
    if (fileExists(inGraphicFolder))
        return inGraphicFolder;
    OUString extension;
    try
    {
        extension = deployment::PackageInformationProvider::get(helper.componentContext)
                        ->getPackageLocation(ascii(texts::kExtensionIdentifier));
    }
    catch (const uno::DeploymentException&)
    {
        // An office without the extension manager: only the graphic folder can hold it.
    }
    const OUString inExtension
        = extension.isEmpty() ? OUString() : extension + "/" + ascii(texts::kStampAreaPicture);
    return fileExists(inExtension) ? inExtension : inGraphicFolder;
}

/// Runs an office command and returns once the office has done it.
void executeCommand(QORVHelper& helper, const char* command,
                    const Sequence<beans::PropertyValue>& arguments)
{
    Reference<frame::XDispatchHelper>(helper.createService(texts::kDispatchHelperService),
                                      UNO_QUERY_THROW)
        ->executeDispatch(
            Reference<frame::XDispatchProvider>(helper.documentFrame, UNO_QUERY_THROW),
            ascii(command), OUString(), 0, arguments);
}

/// The view cursor as a text position: with a picture or shape selected it has none, until the
/// object selection is left as the Escape key leaves it.
Reference<text::XTextViewCursor> textViewCursor(QORVHelper& helper,
                                                const Reference<frame::XModel>& document)
{
    if (!offersService(document->getCurrentSelection(), texts::kTextRanges))
        executeCommand(helper, texts::kEscapeCommand, {});
    return Reference<text::XTextViewCursorSupplier>(helper.documentFrame->getController(),
                                                    UNO_QUERY_THROW)
        ->getViewCursor();
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
            Reference<text::XTextViewCursor> viewCursor = textViewCursor(*this, document);
            const awt::Point cursor = viewCursor->getPosition();
            // The office's insert command would put the picture in place of a selected text.
            viewCursor->collapseToEnd();

            parsePictureURL(stampAreaPictureURL(*this));

            const beans::PropertyValue arguments[]
                = { argument("FileName", Any(pictureURL.Complete)),
                    argument("AsLink", Any(false)) };
            // The insert command would replace the content of a picture still selected, and inserts
            // nothing once a graphic has been handed out as the selection, until the user clicks
            // into the document: the area then goes in through the document model.
            Reference<uno::XInterface> area;
            if (offersService(document->getCurrentSelection(), texts::kTextRanges))
            {
                const Sequence<OUString> graphicsBefore = graphics->getElementNames();
                executeCommand(*this, texts::kInsertGraphicCommand,
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
            // Stamping follows directly: it works on the selected area.
            Reference<view::XSelectionSupplier>(documentFrame->getController(), UNO_QUERY_THROW)
                ->select(Any(area));
            return true;
        },
        [&](CaughtFault) { showErrorMessage(fromUtf8(texts::kInsertStampAreaFailed)); });
}
}
