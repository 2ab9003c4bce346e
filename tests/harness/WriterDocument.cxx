#include "WriterDocument.hxx"

#include <algorithm>
#include <chrono>
#include <thread>

#include <Office.hxx>
#include <format/FormatNames.hxx>
#include <format/SealFieldNames.hxx>
#include <format/UserMasters.hxx>
#include "Sequences.hxx"

#include <com/sun/star/awt/XToolkitExperimental.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/ShapeCollection.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/XDependentTextField.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <com/sun/star/xml/AttributeData.hpp>
#include <gif_lib.h>
#include <stdexcept>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark::test
{
namespace
{
beans::PropertyValue property(const char* name, const Any& value)
{
    beans::PropertyValue result;
    result.Name = OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

OUString systemPathUrl(const std::string& path)
{
    return OUString::fromUtf8(fileUrl(path).c_str());
}

Reference<text::XTextRange> asRange(const Reference<text::XTextCursor>& cursor)
{
    return Reference<text::XTextRange>(cursor, UNO_QUERY_THROW);
}

}

void writeSolidGif(const std::string& path, int width, int height, unsigned char red,
                   unsigned char green, unsigned char blue)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif)
        throw std::runtime_error("cannot create " + path);
    GifColorType colors[2] = { { red, green, blue }, { 255, 255, 255 } };
    ColorMapObject* colorMap = GifMakeMapObject(2, colors);
    std::vector<GifPixelType> row(static_cast<size_t>(width), 0);
    bool written = EGifPutScreenDesc(gif, width, height, 1, 1, colorMap) == GIF_OK
                   && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; written && y < height; ++y)
        written = EGifPutLine(gif, row.data(), width) == GIF_OK;
    GifFreeMapObject(colorMap);
    if (EGifCloseFile(gif, &error) != GIF_OK || !written)
        throw std::runtime_error("cannot write " + path);
}

void settleOffice(Office& office)
{
    Reference<awt::XToolkitExperimental> toolkit(
        office.context()->getServiceManager()->createInstanceWithContext("com.sun.star.awt.Toolkit",
                                                                         office.context()),
        UNO_QUERY_THROW);
    toolkit->processEventsToIdle();
}

WriterDocument WriterDocument::create(Office& office, const OUString& text)
{
    WriterDocument document;
    document.attach(
        office, office.desktop()->loadComponentFromURL("private:factory/swriter", "_blank", 0, {}));
    settleOffice(office);
    if (!text.isEmpty())
        document.insertText(0, text);
    return document;
}

WriterDocument WriterDocument::load(Office& office, const std::string& path)
{
    return open(office, path, {});
}

WriterDocument WriterDocument::fromTemplate(Office& office, const std::string& path)
{
    return open(office, path, sequenceOf({ property("AsTemplate", Any(true)) }));
}

WriterDocument WriterDocument::open(Office& office, const std::string& path,
                                    const Sequence<beans::PropertyValue>& arguments)
{
    WriterDocument document;
    document.attach(office, office.desktop()->loadComponentFromURL(systemPathUrl(path), "_blank", 0,
                                                                   arguments));
    // Page-anchored shapes join the draw page as the layout reaches their page, which a busy
    // office may leave to its idle time: going through every page lays them all out now.
    Reference<text::XPageCursor> pages(document.viewCursor(), UNO_QUERY_THROW);
    pages->jumpToLastPage();
    pages->jumpToFirstPage();
    settleOffice(office);
    return document;
}

void WriterDocument::attach(Office& documentOffice, const Reference<lang::XComponent>& component)
{
    office = &documentOffice;
    model.set(component, UNO_QUERY_THROW);
    controller.set(model->getCurrentController(), UNO_QUERY_THROW);
    frame.set(controller->getFrame(), UNO_QUERY_THROW);
}

// The SDK's Reference has no move operations: copy, then let the other one go without closing.
WriterDocument::WriterDocument(WriterDocument&& other) noexcept
    : office(other.office)
    , model(other.model)
    , controller(other.controller)
    , frame(other.frame)
    , selectedShapes(other.selectedShapes)
{
    other.release();
}

WriterDocument& WriterDocument::operator=(WriterDocument&& other) noexcept
{
    if (this != &other)
    {
        close();
        office = other.office;
        model = other.model;
        controller = other.controller;
        frame = other.frame;
        selectedShapes = other.selectedShapes;
        other.release();
    }
    return *this;
}

void WriterDocument::release()
{
    selectedShapes.clear();
    frame.clear();
    controller.clear();
    model.clear();
}

WriterDocument::~WriterDocument() { close(); }

void WriterDocument::close()
{
    if (!model.is())
        return;
    try
    {
        Reference<util::XCloseable> closeable(model, UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
    }
    catch (const uno::Exception&)
    {
        // A document the office already let go of needs no closing.
    }
    release();
}

Reference<text::XTextDocument> WriterDocument::textDocument() const
{
    return Reference<text::XTextDocument>(model, UNO_QUERY_THROW);
}

OUString WriterDocument::text() const { return textDocument()->getText()->getString(); }

namespace
{
Reference<text::XTextCursor> cursorAt(const Reference<text::XText>& text, sal_Int32 position)
{
    Reference<text::XTextCursor> cursor = text->createTextCursor();
    cursor->gotoStart(false);
    while (position > 0)
    {
        const sal_Int16 step = static_cast<sal_Int16>(std::min<sal_Int32>(position, 30000));
        cursor->goRight(step, false);
        position -= step;
    }
    return cursor;
}
}

void WriterDocument::insertText(sal_Int32 position, const OUString& newText)
{
    Reference<text::XText> body = textDocument()->getText();
    Reference<text::XTextCursor> cursor = cursorAt(body, position);
    sal_Int32 start = 0;
    while (true)
    {
        const sal_Int32 end = newText.indexOf('\n', start);
        body->insertString(asRange(cursor),
                           newText.copy(start, (end < 0 ? newText.getLength() : end) - start),
                           false);
        if (end < 0)
            break;
        body->insertControlCharacter(asRange(cursor), text::ControlCharacter::PARAGRAPH_BREAK,
                                     false);
        start = end + 1;
    }
}

void WriterDocument::removeText(sal_Int32 position, sal_Int32 length)
{
    Reference<text::XTextCursor> cursor = cursorAt(textDocument()->getText(), position);
    cursor->goRight(static_cast<sal_Int16>(length), true);
    cursor->setString(OUString());
}

void WriterDocument::selectText(sal_Int32 start, sal_Int32 length)
{
    Reference<text::XTextCursor> cursor = cursorAt(textDocument()->getText(), start);
    cursor->goRight(static_cast<sal_Int16>(length), true);
    Reference<view::XSelectionSupplier>(controller, UNO_QUERY_THROW)->select(Any(cursor));
}

void WriterDocument::select(const Reference<uno::XInterface>& object)
{
    Reference<view::XSelectionSupplier>(controller, UNO_QUERY_THROW)->select(Any(object));
}

Reference<uno::XInterface> WriterDocument::selection() const
{
    return model->getCurrentSelection();
}

void WriterDocument::escape() { dispatch(".uno:Escape"); }

void WriterDocument::dispatch(const char* command,
                              const std::vector<beans::PropertyValue>& arguments)
{
    Reference<frame::XDispatchHelper> helper = frame::DispatchHelper::create(office->context());
    helper->executeDispatch(
        Reference<frame::XDispatchProvider>(frame, UNO_QUERY_THROW),
        OUString::createFromAscii(command), "", 0,
        Sequence<beans::PropertyValue>(arguments.data(), static_cast<sal_Int32>(arguments.size())));
}

Reference<text::XTextViewCursor> WriterDocument::viewCursor() const
{
    return Reference<text::XTextViewCursorSupplier>(controller, UNO_QUERY_THROW)->getViewCursor();
}

void WriterDocument::moveViewCursor(sal_Int32 position)
{
    Reference<text::XTextViewCursor> cursor = viewCursor();
    cursor->gotoRange(asRange(cursorAt(textDocument()->getText(), position)), false);
}

Reference<beans::XPropertySet> WriterDocument::insertTextGraphic(const std::string& picturePath,
                                                                 const OUString& name,
                                                                 sal_Int32 position)
{
    Reference<lang::XMultiServiceFactory> factory(model, UNO_QUERY_THROW);
    Reference<beans::XPropertySet> graphic(
        factory->createInstance("com.sun.star.text.TextGraphicObject"), UNO_QUERY_THROW);
    Reference<graphic::XGraphicProvider> provider
        = graphic::GraphicProvider::create(office->context());
    Sequence<beans::PropertyValue> media
        = sequenceOf({ property("URL", Any(systemPathUrl(picturePath))) });
    graphic->setPropertyValue("Graphic", Any(provider->queryGraphic(media)));
    graphic->setPropertyValue("AnchorType", Any(text::TextContentAnchorType_AT_PARAGRAPH));
    Reference<container::XNamed>(graphic, UNO_QUERY_THROW)->setName(name);
    Reference<text::XText> body = textDocument()->getText();
    body->insertTextContent(asRange(cursorAt(body, position)),
                            Reference<text::XTextContent>(graphic, UNO_QUERY_THROW), false);
    return graphic;
}

Reference<beans::XPropertySet> WriterDocument::textGraphic(const OUString& name) const
{
    return Reference<beans::XPropertySet>(
        Reference<text::XTextGraphicObjectsSupplier>(model, UNO_QUERY_THROW)
            ->getGraphicObjects()
            ->getByName(name),
        UNO_QUERY_THROW);
}

namespace
{
Reference<drawing::XShapes> drawPageOf(const Reference<frame::XModel>& model)
{
    return Reference<drawing::XShapes>(
        Reference<drawing::XDrawPageSupplier>(model, UNO_QUERY_THROW)->getDrawPage(),
        UNO_QUERY_THROW);
}

Reference<drawing::XShape> addShape(const Reference<frame::XModel>& model, const char* service,
                                    sal_Int32 x, sal_Int32 y)
{
    Reference<lang::XMultiServiceFactory> factory(model, UNO_QUERY_THROW);
    Reference<drawing::XShape> shape(factory->createInstance(OUString::createFromAscii(service)),
                                     UNO_QUERY_THROW);
    drawPageOf(model)->add(shape);
    Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
    properties->setPropertyValue("AnchorType", Any(text::TextContentAnchorType_AT_PAGE));
    properties->setPropertyValue("AnchorPageNo", Any(sal_Int16(1)));
    shape->setPosition(awt::Point(x, y));
    shape->setSize(awt::Size(2400, 2400));
    return shape;
}
}

Reference<drawing::XShape> WriterDocument::addGraphicShape(const std::string& picturePath,
                                                           const OUString& name, sal_Int32 x,
                                                           sal_Int32 y)
{
    Reference<drawing::XShape> shape
        = addShape(model, "com.sun.star.drawing.GraphicObjectShape", x, y);
    Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
    properties->setPropertyValue("GraphicURL", Any(systemPathUrl(picturePath)));
    Reference<container::XNamed>(shape, UNO_QUERY_THROW)->setName(name);
    return shape;
}

Reference<drawing::XShape> WriterDocument::addRectangleShape(sal_Int32 x, sal_Int32 y)
{
    return addShape(model, "com.sun.star.drawing.RectangleShape", x, y);
}

void WriterDocument::selectShapes(const std::vector<Reference<drawing::XShape>>& shapes)
{
    Reference<drawing::XShapes> collection = drawing::ShapeCollection::create(office->context());
    for (const auto& shape : shapes)
        collection->add(shape);
    // The office drops a shape's wrapper when its last reference goes, and a release from this
    // process may arrive while the selection is read: keep the selected shapes held meanwhile.
    selectedShapes = shapes;
    // A window still setting up (after loading, after a helper restored its seals, or after a
    // shape was added or deleted) may replace the selection from an event it posted earlier, or
    // from a timer that fires a little later on a busy machine: select again once that has run.
    const auto held = [&] { return shapes.empty() || shapesSelected(shapes); };
    // A fresh window under a sanitizer on a loaded machine can take seconds to settle.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int attempt = 0; attempt < 4 || std::chrono::steady_clock::now() < deadline; ++attempt)
    {
        select(collection);
        settleOffice(*office);
        if (!held())
            continue;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        settleOffice(*office);
        if (held())
            return;
    }
}

bool WriterDocument::shapesSelected(const std::vector<Reference<drawing::XShape>>& shapes) const
{
    Reference<lang::XServiceInfo> info(selection(), UNO_QUERY);
    Reference<container::XIndexAccess> selected(info, UNO_QUERY);
    if (!info.is() || !selected.is()
        || !info->supportsService("com.sun.star.drawing.ShapeCollection")
        || selected->getCount() != sal_Int32(shapes.size()))
        return false;
    for (sal_Int32 i = 0; i < selected->getCount(); ++i)
    {
        Reference<uno::XInterface> element(selected->getByIndex(i), UNO_QUERY);
        if (std::none_of(shapes.begin(), shapes.end(), [&](const auto& shape) {
                return Reference<uno::XInterface>(shape, UNO_QUERY) == element;
            }))
            return false;
    }
    return true;
}

std::vector<Reference<drawing::XShape>> WriterDocument::drawShapes() const
{
    Reference<drawing::XShapes> page = drawPageOf(model);
    std::vector<Reference<drawing::XShape>> shapes;
    for (sal_Int32 i = 0; i < page->getCount(); ++i)
        shapes.emplace_back(page->getByIndex(i), UNO_QUERY_THROW);
    return shapes;
}

Reference<text::XTextContent> WriterDocument::insertAnnotation(sal_Int32 position,
                                                               const OUString& content,
                                                               const OUString& author)
{
    Reference<lang::XMultiServiceFactory> factory(model, UNO_QUERY_THROW);
    Reference<beans::XPropertySet> field(
        factory->createInstance("com.sun.star.text.textfield.Annotation"), UNO_QUERY_THROW);
    field->setPropertyValue("Content", Any(content));
    field->setPropertyValue("Author", Any(author));
    Reference<text::XText> body = textDocument()->getText();
    Reference<text::XTextContent> annotation(field, UNO_QUERY_THROW);
    body->insertTextContent(asRange(cursorAt(body, position)), annotation, false);
    return annotation;
}

bool WriterDocument::hasMaster(const OUString& fieldName) const
{
    return quillmark::userMaster(model, fieldName).is();
}

OUString WriterDocument::masterContent(const OUString& fieldName) const
{
    Reference<beans::XPropertySet> master = quillmark::userMaster(model, fieldName);
    if (!master.is())
        throw std::runtime_error("no user field master "
                                 + std::string(fieldName.toUtf8().getStr()));
    OUString content;
    master->getPropertyValue("Content") >>= content;
    return content;
}

std::vector<OUString> WriterDocument::userMasterNames() const
{
    return quillmark::userMasterNames(model);
}

void WriterDocument::writeMaster(const OUString& fieldName, const OUString& content)
{
    if (Reference<beans::XPropertySet> master = quillmark::userMaster(model, fieldName);
        master.is())
    {
        master->setPropertyValue("Content", Any(content));
        return;
    }
    Reference<lang::XMultiServiceFactory> factory(model, UNO_QUERY_THROW);
    Reference<text::XDependentTextField> field(
        factory->createInstance(OUString::createFromAscii(texts::kUserFieldService)),
        UNO_QUERY_THROW);
    Reference<beans::XPropertySet>(field, UNO_QUERY_THROW)
        ->setPropertyValue("IsVisible", Any(false));
    Reference<beans::XPropertySet> master(
        factory->createInstance(OUString::createFromAscii(texts::kUserMasterService)),
        UNO_QUERY_THROW);
    master->setPropertyValue("Content", Any(content));
    master->setPropertyValue("Name", Any(fieldName));
    field->attachTextFieldMaster(master);
}

std::string WriterDocument::saveAs(Office& office, const std::string& fileName, const char* filter)
{
    const std::string path = office.workDirectory() + "/" + fileName;
    Reference<frame::XStorable> storable(model, UNO_QUERY_THROW);
    Sequence<beans::PropertyValue> arguments
        = sequenceOf({ property("FilterName", Any(OUString::createFromAscii(filter))),
                       property("Overwrite", Any(true)) });
    storable->storeToURL(systemPathUrl(path), arguments);
    return path;
}

void WriterDocument::saveAndReload(Office& office, const std::string& fileName, const char* filter)
{
    const std::string path = saveAs(office, fileName, filter);
    close();
    *this = load(office, path);
}

Attribute userAttribute(const Reference<uno::XInterface>& object, const OUString& key)
{
    Reference<beans::XPropertySet> properties(object, UNO_QUERY_THROW);
    Reference<container::XNameContainer> attributes(
        properties->getPropertyValue(OUString::createFromAscii(texts::kUserDefinedAttributes)),
        UNO_QUERY_THROW);
    Attribute result;
    if (!attributes->hasByName(key))
        return result;
    xml::AttributeData data;
    if (attributes->getByName(key) >>= data)
    {
        result = { data.Namespace, data.Type, data.Value, true };
    }
    return result;
}

void setUserAttribute(const Reference<uno::XInterface>& object, const OUString& key,
                      const OUString& value, const OUString& type)
{
    Reference<beans::XPropertySet> properties(object, UNO_QUERY_THROW);
    Reference<container::XNameContainer> attributes(
        properties->getPropertyValue(OUString::createFromAscii(texts::kUserDefinedAttributes)),
        UNO_QUERY_THROW);
    xml::AttributeData data("", type, value);
    if (attributes->hasByName(key))
        attributes->replaceByName(key, Any(data));
    else
        attributes->insertByName(key, Any(data));
    properties->setPropertyValue(OUString::createFromAscii(texts::kUserDefinedAttributes),
                                 Any(attributes));
}

sal_Int32 userAttributeCount(const Reference<uno::XInterface>& object)
{
    Reference<beans::XPropertySet> properties(object, UNO_QUERY_THROW);
    Reference<container::XNameContainer> attributes(
        properties->getPropertyValue(OUString::createFromAscii(texts::kUserDefinedAttributes)),
        UNO_QUERY_THROW);
    return attributes->getElementNames().getLength();
}
}
