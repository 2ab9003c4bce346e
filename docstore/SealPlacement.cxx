// The seal picture takes the place of the stamping area the user selected.

#include <docstore/DocstoreTexts.hxx>
#include <format/ShapeAttributes.hxx>

#include <common/OfficeNames.hxx>
#include <common/OfficeConstants.hxx>
#include <common/PicturePaths.hxx>
#include <component/QORVHelper.hxx>
#include <com/sun/star/container/XNameContainer.hpp>
#include <sal/log.hxx>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
/// Remembers the picture of the latest placement in the document's bitmap table.
void recordLatestPicture(const Reference<lang::XMultiServiceFactory>& factory,
                         const OUString& pictureUrl)
{
    Reference<container::XNameContainer> bitmaps(
        factory->createInstance(ascii(texts::kBitmapTableService)), UNO_QUERY_THROW);
    const OUString entry = ascii(texts::kBitmapTableEntry);
    if (bitmaps->hasByName(entry))
        bitmaps->replaceByName(entry, Any(pictureUrl));
    else
        bitmaps->insertByName(entry, Any(pictureUrl));
}
}

void QORVHelper::readStampAreaPosition()
{
    Reference<uno::XInterface> area = selection();
    getProperty(area, "HoriOrientPosition") >>= sealPosition.X;
    getProperty(area, "VertOrientPosition") >>= sealPosition.Y;
}

void QORVHelper::readStampAreaPage()
{
    getProperty(selection(), "AnchorPageNo") >>= sealAnchorPage;
}

bool QORVHelper::removeStampArea() { return removeStampArea(selection()); }

bool QORVHelper::removeStampArea(const Reference<uno::XInterface>& area)
{
    if (!offersService(area, texts::kTextGraphicObject)
        && !offersService(area, texts::kTextGraphicObjectImplementation))
    {
        showMessage(fromUtf8(texts::kUnstableNetwork));
        return false;
    }
    setProperty(area, "ContentProtected", Any(false));
    setProperty(area, "SizeProtected", Any(false));
    Reference<lang::XComponent>(area, UNO_QUERY_THROW)->dispose();
    return true;
}

bool QORVHelper::placeSealPicture()
{
    Reference<frame::XModel> document = model();
    if (!document.is())
        return false;
    Reference<drawing::XShapes> page(
        Reference<drawing::XDrawPageSupplier>(document, UNO_QUERY_THROW)->getDrawPage(),
        UNO_QUERY_THROW);

    const OUString picture = pictureURL.Complete;
    if (!fileExists(picture))
    {
        showErrorMessage(ascii(texts::kNoSuchFile));
        return false;
    }

    Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
    recordLatestPicture(factory, picture);

    Reference<drawing::XShape> seal(factory->createInstance(ascii(texts::kGraphicObjectShape)),
                                    UNO_QUERY_THROW);
    page->add(seal);
    Reference<beans::XPropertySet> properties(seal, UNO_QUERY_THROW);
    properties->setPropertyValue("GraphicURL", Any(picture));
    properties->setPropertyValue("Name", Any(ascii(texts::kSealShapeName)));
    properties->setPropertyValue("AnchorType", Any(kAnchorAtPage));
    properties->setPropertyValue("TextWrap", Any(kWrapThrough));
    properties->setPropertyValue("Surround", Any(kWrapThrough));
    properties->setPropertyValue("MoveProtect", Any(true));
    properties->setPropertyValue("SizeProtect", Any(true));
    properties->setPropertyValue("AnchorPageNo", Any(sealAnchorPage));
    properties->setPropertyValue("Opaque", Any(true));
    seal->setPosition(sealPosition);
    seal->setSize(sealPictureSize);
    setShapeType(properties, ascii(texts::kDocumentSealMark));
    return true;
}

void QORVHelper::setShapeType(const Reference<beans::XPropertySet>& object, const OUString& value)
{
    // An object without attributes fails here, to the caller.
    const Any container = shapeAttributes(object);
    try
    {
        writeShapeAttribute(object, container, texts::kShapeTypeKey, value);
    }
    catch (const uno::Exception& exception)
    {
        SAL_WARN("quillmark.docstore",
                 "the seal's shape type was not written: " << exception.Message);
        showMessage(fromUtf8(texts::kSetSealInfoFailed));
    }
}
}
