// The stamping area is a protected placeholder picture near the text cursor; stamping later puts
// the seal in its place.

#include <operations/OperationTexts.hxx>
#include <operations/StampAreaPosition.hxx>

#include <common/CaughtExceptions.hxx>
#include <common/OfficeNames.hxx>
#include <docstore/DocstoreTexts.hxx>
#include <common/OfficeConstants.hxx>
#include <component/QORVHelper.hxx>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/deployment/PackageInformationProvider.hpp>
#include <com/sun/star/uno/DeploymentException.hpp>
#include <com/sun/star/frame/XDispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/graphic/XGraphicProvider.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/RelOrientation.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XRefreshable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <common/PicturePaths.hxx>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
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
        extension = deployment::PackageInformationProvider::get(helper.getComponentContext())
                        ->getPackageLocation(ascii(texts::kExtensionIdentifier));
    }
    catch (const uno::DeploymentException& exception)
    {
        // An office without the extension manager: only the graphic folder can hold it.
        SAL_INFO("quillmark.operations", "no extension manager: " << exception.Message);
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
            Reference<frame::XDispatchProvider>(helper.getDocumentFrame(), UNO_QUERY_THROW),
            ascii(command), OUString(), 0, arguments);
}

/// The view cursor as a text position: with a picture or shape selected it has none, until the
/// object selection is left as the Escape key leaves it.
Reference<text::XTextViewCursor> textViewCursor(QORVHelper& helper,
                                                const Reference<frame::XModel>& document)
{
    if (!offersService(document->getCurrentSelection(), texts::kTextRanges))
        executeCommand(helper, texts::kEscapeCommand, {});
    return Reference<text::XTextViewCursorSupplier>(helper.getDocumentFrame()->getController(),
                                                    UNO_QUERY_THROW)
        ->getViewCursor();
}

/// Where the layout put a page on its canvas: a shape bound to the page learns the page's corner
/// once the layout has placed it. The shape goes in and out again without an undo step.
awt::Point laidOutPageCorner(const Reference<frame::XModel>& document, sal_Int16 page)
{
    Reference<drawing::XShape> probe(
        Reference<lang::XMultiServiceFactory>(document, UNO_QUERY_THROW)
            ->createInstance(texts::kRectangleShape),
        UNO_QUERY_THROW);
    Reference<beans::XPropertySet> properties(probe, UNO_QUERY_THROW);
    // Anchored before it joins the draw page: one added first sits at the cursor's paragraph,
    // and reports that paragraph's corner until the layout moves it.
    properties->setPropertyValue("AnchorType", Any(text::TextContentAnchorType_AT_PAGE));
    properties->setPropertyValue("AnchorPageNo", Any(page));
    Reference<drawing::XShapes> shapes(
        Reference<drawing::XDrawPageSupplier>(document, UNO_QUERY_THROW)->getDrawPage(),
        UNO_QUERY_THROW);
    Reference<document::XUndoManager> undo
        = Reference<document::XUndoManagerSupplier>(document, UNO_QUERY_THROW)->getUndoManager();

    struct Visit
    {
        Reference<drawing::XShapes> shapes;
        Reference<drawing::XShape> probe;
        Reference<document::XUndoManager> undo;
        ~Visit()
        {
            try
            {
                shapes->remove(probe);
            }
            catch (const uno::Exception& exception)
            {
                // Never added: nothing to take away.
                SAL_INFO("quillmark.operations",
                         "the probe was never added: " << exception.Message);
            }
            undo->unlock();
        }
    };
    undo->lock();
    Visit visit{ shapes, probe, undo };
    shapes->add(probe);
    // The office lays out what is in view as each change ends, and so places the shape at once
    // on the cursor's page while that page is shown. Pages out of view wait for its idle time
    // and leave the shape at the canvas' origin, where no page lies: only then is the whole
    // document laid out now, which is slow on a long one.
    awt::Point corner;
    properties->getPropertyValue("AnchorPosition") >>= corner;
    if (corner.X == 0 && corner.Y == 0)
    {
        Reference<util::XRefreshable>(document, UNO_QUERY_THROW)->refresh();
        properties->getPropertyValue("AnchorPosition") >>= corner;
    }
    if (corner.X == 0 && corner.Y == 0)
        throw uno::RuntimeException("the layout gives no corner of page " + OUString::number(page));
    return corner;
}

/// The page the view cursor is on: its physical number, and where and how large it is laid out.
struct CursorPage
{
    sal_Int16 number = 0;
    LaidOutPage laidOut;
};

CursorPage cursorPage(const Reference<frame::XModel>& document,
                      const Reference<text::XTextViewCursor>& cursor)
{
    const sal_Int16 number = Reference<text::XPageCursor>(cursor, UNO_QUERY_THROW)->getPage();
    OUString styleName;
    Reference<beans::XPropertySet>(cursor, UNO_QUERY_THROW)->getPropertyValue("PageStyleName")
        >>= styleName;
    Reference<beans::XPropertySet> style(
        Reference<style::XStyleFamiliesSupplier>(document, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("PageStyles")
            .get<Reference<container::XNameAccess>>()
            ->getByName(styleName),
        UNO_QUERY_THROW);
    awt::Size size;
    style->getPropertyValue("Size") >>= size;
    const awt::Point corner = laidOutPageCorner(document, number);
    return { number, { corner.X, corner.Y, size.Width, size.Height } };
}

/// Selects the area as a click on it would, and tells whether the view took it: a picture the
/// layout has no frame for is not selected.
bool selectArea(const Reference<view::XSelectionSupplier>& controller,
                const Reference<frame::XModel>& document, const Reference<uno::XInterface>& area)
{
    controller->select(Any(area));
    const Reference<uno::XInterface> selected = document->getCurrentSelection();
    return offersService(selected, texts::kTextGraphicObject)
           && Reference<container::XNamed>(selected, UNO_QUERY_THROW)->getName()
                  == ascii(texts::kStampAreaName);
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
    Reference<graphic::XGraphicProvider> provider(createService(texts::kGraphicProviderService),
                                                  UNO_QUERY_THROW);
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
            // Measured before the area goes in: at the cursor it may push text onto a new page.
            const CursorPage page = cursorPage(document, viewCursor);
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
            const auto placeOnPage = [&] {
                // Left to itself the office takes the page the picture was pushed to while it
                // stood in the text, which may be gone once it is bound to a page.
                properties->setPropertyValue("AnchorPageNo", Any(page.number));
                properties->setPropertyValue("ContentProtected", Any(true));
                properties->setPropertyValue("SizeProtected", Any(true));
                writeAlternativeText(properties, ascii(texts::kDocumentSealMark));
                properties->setPropertyValue("HoriOrient", Any(kNoOrientation));
                properties->setPropertyValue("VertOrient", Any(kNoOrientation));
                // From the page's corner, as the seal that takes its place is positioned.
                properties->setPropertyValue("HoriOrientRelation",
                                             Any(text::RelOrientation::PAGE_FRAME));
                properties->setPropertyValue("VertOrientRelation",
                                             Any(text::RelOrientation::PAGE_FRAME));
                awt::Size areaSize;
                properties->getPropertyValue("Size") >>= areaSize;
                const PagePosition position = computeStampAreaPosition(
                    page.laidOut, cursor.X, cursor.Y, areaSize.Width, areaSize.Height);
                properties->setPropertyValue("HoriOrientPosition", Any(position.x));
                properties->setPropertyValue("VertOrientPosition", Any(position.y));
            };
            placeOnPage();
            // Stamping follows directly: it works on the selected area.
            Reference<view::XSelectionSupplier> controller(documentFrame->getController(),
                                                           UNO_QUERY_THROW);
            if (!selectArea(controller, document, area))
            {
                // The page it was first bound to went away with the picture's frame, and a new
                // page number alone makes no frame: bound to the text and to the page again, it
                // is laid out on its page and can be selected.
                properties->setPropertyValue("AnchorType",
                                             Any(text::TextContentAnchorType_AT_PARAGRAPH));
                properties->setPropertyValue("AnchorType", Any(kAnchorAtPage));
                placeOnPage();
                if (!selectArea(controller, document, area))
                    throw uno::RuntimeException("the stamping area cannot be selected on page "
                                                + OUString::number(page.number));
            }
            return true;
        },
        [&](CaughtFault) { showErrorMessage(fromUtf8(texts::kInsertStampAreaFailed)); });
}
}
