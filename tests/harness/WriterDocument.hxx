/// A visible Writer document in the shared test office, with the small steps tests need to
/// prepare and inspect it. Closed when the object goes.
#pragma once

#include <Office.hxx>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <rtl/ustring.hxx>
#include <string>
#include <vector>

namespace quillmark::test
{
namespace css = com::sun::star;
using rtl::OUString;

using office::fileUrl;
using office::localContext;
using office::Office;
using office::removeTree;

/// Writes a GIF of one colour; the picture tests insert and the seal library hands out.
void writeSolidGif(const std::string& path, int width, int height, unsigned char red,
                   unsigned char green, unsigned char blue);

/// Lets the office run the events its windows posted to themselves: a window being set up, or
/// one whose content a helper just changed, would otherwise undo a selection made meanwhile.
void settleOffice(Office& office);

class WriterDocument
{
public:
    /// A new document holding `text` (paragraphs separated by '\n').
    static WriterDocument create(Office& office, const OUString& text = OUString());
    /// An existing file, opened in a new window.
    static WriterDocument load(Office& office, const std::string& path);
    /// A new, untitled document made from a template, as File > New > Templates makes it.
    static WriterDocument fromTemplate(Office& office, const std::string& path);

    WriterDocument() = default;
    WriterDocument(WriterDocument&& other) noexcept;
    WriterDocument& operator=(WriterDocument&& other) noexcept;
    ~WriterDocument();
    void close();

    /// The office the document is open in.
    Office* office = nullptr;
    css::uno::Reference<css::frame::XModel> model;
    css::uno::Reference<css::frame::XController> controller;
    css::uno::Reference<css::frame::XFrame> frame;

    css::uno::Reference<css::text::XTextDocument> textDocument() const;
    /// The body text as the office gives it.
    OUString text() const;
    /// Inserts `text` at character offset `position` of the body.
    void insertText(sal_Int32 position, const OUString& text);
    /// Removes `length` characters at `position`.
    void removeText(sal_Int32 position, sal_Int32 length);

    /// Selects a range of the body text (this also ends any object selection).
    void selectText(sal_Int32 start, sal_Int32 length);
    /// Selects an object (graphic, shape) as a user clicking it would.
    void select(const css::uno::Reference<css::uno::XInterface>& object);
    /// The model's current selection.
    css::uno::Reference<css::uno::XInterface> selection() const;
    /// Ends an object selection so that the view cursor can move again.
    void escape();
    /// Runs an office command on the document's frame.
    void dispatch(const char* command,
                  const std::vector<css::beans::PropertyValue>& arguments = {});

    css::uno::Reference<css::text::XTextViewCursor> viewCursor() const;
    /// Moves the view cursor to character offset `position` of the body.
    void moveViewCursor(sal_Int32 position);

    /// A text graphic object (Writer frame picture) anchored at the paragraph of `position`.
    css::uno::Reference<css::beans::XPropertySet>
    insertTextGraphic(const std::string& picturePath, const OUString& name, sal_Int32 position = 0);
    /// The text graphic object of that name.
    css::uno::Reference<css::beans::XPropertySet> textGraphic(const OUString& name) const;
    /// A picture shape on the draw page, anchored to page 1 at (x, y).
    css::uno::Reference<css::drawing::XShape> addGraphicShape(const std::string& picturePath,
                                                              const OUString& name,
                                                              sal_Int32 x = 2000,
                                                              sal_Int32 y = 2000);
    /// A rectangle on the draw page.
    css::uno::Reference<css::drawing::XShape> addRectangleShape(sal_Int32 x = 2000,
                                                                sal_Int32 y = 2000);
    /// Selects several draw shapes together.
    void selectShapes(const std::vector<css::uno::Reference<css::drawing::XShape>>& shapes);
    /// Whether exactly these shapes are selected. A text selection of as many ranges is not.
    bool shapesSelected(const std::vector<css::uno::Reference<css::drawing::XShape>>& shapes) const;
    /// Draw page shapes in page order.
    std::vector<css::uno::Reference<css::drawing::XShape>> drawShapes() const;

    /// An annotation whose Content is `content`, at character offset `position` of the body.
    css::uno::Reference<css::text::XTextContent>
    insertAnnotation(sal_Int32 position, const OUString& content,
                     const OUString& author = OUString());

    /// User field masters by field name (without the prefix).
    bool hasMaster(const OUString& fieldName) const;
    OUString masterContent(const OUString& fieldName) const;
    /// Names of all user field masters, as the office spells them.
    std::vector<OUString> userMasterNames() const;
    /// Creates or updates a master, as a document made elsewhere carries it.
    void writeMaster(const OUString& fieldName, const OUString& content);

    /// Stores into the office's work folder with the filter (.odt by default); returns the path.
    std::string saveAs(Office& office, const std::string& fileName, const char* filter = "writer8");
    /// Saves, closes this window and opens the file in a new one.
    void saveAndReload(Office& office, const std::string& fileName, const char* filter = "writer8");

private:
    std::vector<css::uno::Reference<css::drawing::XShape>> selectedShapes;

    static WriterDocument open(Office& office, const std::string& path,
                               const css::uno::Sequence<css::beans::PropertyValue>& arguments);
    /// Forgets the document without closing it.
    void release();
    void attach(Office& documentOffice,
                const css::uno::Reference<css::lang::XComponent>& component);
};

/// A user-defined attribute of a shape or graphic, as (Type, Value); empty Type when absent.
struct Attribute
{
    OUString nameSpace;
    OUString type;
    OUString value;
    bool present = false;
};
Attribute userAttribute(const css::uno::Reference<css::uno::XInterface>& object,
                        const OUString& key);
/// Stores a user-defined attribute as documents made elsewhere carry it.
void setUserAttribute(const css::uno::Reference<css::uno::XInterface>& object, const OUString& key,
                      const OUString& value, const OUString& type = "CDATA");
/// Number of user-defined attributes.
sal_Int32 userAttributeCount(const css::uno::Reference<css::uno::XInterface>& object);
}
