// The stamping-area placeholder, and what kind of seal object the caller has selected.

#include <OfficeFixture.hxx>

#include <format/ShapeAttributes.hxx>
#include <algorithm>
#include <cmath>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/WrapTextMode.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/BreakType.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextColumns.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
class StampAreaTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
    }

    sal_Int32 intProperty(const Reference<beans::XPropertySet>& object, const char* name)
    {
        sal_Int32 value = 0;
        object->getPropertyValue(OUString::createFromAscii(name)) >>= value;
        return value;
    }
};

/// Writer keeps orientation positions in twips; one twip is 1440/2540 of 1/100 mm.
sal_Int32 twipRounded(sal_Int32 hundredthMillimetres)
{
    const long twips = std::lround(hundredthMillimetres * 1440.0 / 2540.0);
    return static_cast<sal_Int32>(std::lround(twips * 2540.0 / 1440.0));
}
}

TEST_F(StampAreaTest, AreaIsInsertedNamedProtectedAndPlacedBesideTheViewCursor)
{
    document.insertText(0, "A short line of text");
    document.moveViewCursor(10);
    const awt::Point cursor = document.viewCursor()->getPosition();

    EXPECT_TRUE(helper->insertStampArea());
    EXPECT_TRUE(messages().empty());

    Reference<beans::XPropertySet> area = document.textGraphic("gzqy");
    EXPECT_EQ(twipRounded(cursor.X + 3200), intProperty(area, "HoriOrientPosition"));
    EXPECT_EQ(twipRounded(cursor.Y + 2540), intProperty(area, "VertOrientPosition"));
    EXPECT_EQ(0, intProperty(area, "HoriOrient"));
    EXPECT_EQ(0, intProperty(area, "VertOrient"));
    text::TextContentAnchorType anchor;
    area->getPropertyValue("AnchorType") >>= anchor;
    EXPECT_EQ(text::TextContentAnchorType_AT_PAGE, anchor);
    text::WrapTextMode wrap;
    area->getPropertyValue("TextWrap") >>= wrap;
    EXPECT_EQ(text::WrapTextMode_THROUGH, wrap);
    bool contentProtected = false;
    bool sizeProtected = false;
    area->getPropertyValue("ContentProtected") >>= contentProtected;
    area->getPropertyValue("SizeProtected") >>= sizeProtected;
    EXPECT_TRUE(contentProtected);
    EXPECT_TRUE(sizeProtected);
    EXPECT_EQ(OUString("Stamper"), quillmark::readAlternativeText(area));
    EXPECT_TRUE(helper->getPictureURL().Complete.endsWith("/gzqy.gif"));
    document.select(area);
    EXPECT_EQ(1, helper->getSelectedStampType());
}

TEST_F(StampAreaTest, SecondAreaIsRefusedUntilTheFirstIsGone)
{
    ASSERT_TRUE(helper->insertStampArea());
    messages();
    EXPECT_FALSE(helper->insertStampArea());
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString("Message"), shown[0].title);
    EXPECT_EQ(OUString::fromUtf8(u8"不能同时存在多个盖章区域"), shown[0].text);
    EXPECT_EQ(1, Reference<container::XNameAccess>(
                     Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
                         ->getGraphicObjects(),
                     UNO_QUERY_THROW)
                     ->getElementNames()
                     .getLength());

    document.select(document.textGraphic("gzqy"));
    EXPECT_TRUE(helper->removeStampArea());
    document.escape();
    EXPECT_TRUE(helper->insertStampArea());
}

TEST_F(StampAreaTest, NewAreaIsLeftSelectedForStamping)
{
    document.insertText(0, "Text to stamp");
    document.moveViewCursor(4);
    ASSERT_TRUE(helper->insertStampArea());
    EXPECT_EQ(1, helper->getSelectedStampType());
    EXPECT_EQ(OUString("gzqy"),
              Reference<container::XNamed>(document.selection(), UNO_QUERY_THROW)->getName());
}

TEST_F(StampAreaTest, SelectedPictureIsNeverTurnedIntoTheArea)
{
    document.insertText(0, "Text with a picture");
    auto picture = document.insertTextGraphic(pictureFile("photo.gif", 40, 40), "photo", 5);
    document.select(picture);
    EXPECT_TRUE(helper->insertStampArea()) << "a selected picture is no reason to refuse";
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(1, helper->getSelectedStampType());
    Reference<beans::XPropertySet> photo = document.textGraphic("photo");
    EXPECT_TRUE(quillmark::readAlternativeText(photo).isEmpty());
    bool contentProtected = true;
    photo->getPropertyValue("ContentProtected") >>= contentProtected;
    EXPECT_FALSE(contentProtected);
    awt::Size size;
    photo->getPropertyValue("ActualSize") >>= size;
    EXPECT_NEAR(40 * 2540 / 96, size.Width, 30) << "the photo keeps its own picture";
    EXPECT_TRUE(document.textGraphic("gzqy").is());
}

TEST_F(StampAreaTest, SelectedDrawShapeStaysAndTheAreaGoesIn)
{
    document.insertText(0, "Text beside a drawing");
    auto shape = document.addGraphicShape(pictureFile("drawing.gif"), "drawing");
    document.select(shape);
    EXPECT_TRUE(helper->insertStampArea());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(1, helper->getSelectedStampType());
    EXPECT_EQ(1u, document.drawShapes().size() - 1) << "the drawing and the area";
    EXPECT_EQ(OUString("Text beside a drawing"), document.text());
}

TEST_F(StampAreaTest, SelectedTextIsKept)
{
    document.insertText(0, "Keep every word of this line");
    document.selectText(5, 5);
    EXPECT_TRUE(helper->insertStampArea());
    EXPECT_EQ(OUString("Keep every word of this line"), document.text());
    EXPECT_TRUE(document.textGraphic("gzqy").is());
}

TEST_F(StampAreaTest, MissingPictureEndsWithTheInsertionMessage)
{
    removeTree(office().galleryDirectory() + "/gzqy.gif");
    EXPECT_FALSE(helper->insertStampArea());
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString("Message"), shown[0].title);
    EXPECT_EQ(OUString::fromUtf8(u8"Quillmark 插入机构章异常 !"), shown[0].text);
}

TEST_F(StampAreaTest, SelectedKindIsToldForEveryKindOfSelection)
{
    document.insertText(0, "Text to select");
    document.selectText(0, 4);
    EXPECT_EQ(-1, helper->getSelectedStampType());

    auto picture = document.insertTextGraphic(pictureFile("plain.gif"), "picture");
    document.select(picture);
    EXPECT_EQ(-1, helper->getSelectedStampType()) << "an ordinary picture";

    auto area = document.insertTextGraphic(pictureFile("area.gif"), "gzqy");
    document.select(area);
    EXPECT_EQ(1, helper->getSelectedStampType());

    helper->setShapeType(area, "FieldStamper");
    document.select(area);
    EXPECT_EQ(2, helper->getSelectedStampType()) << "the shape type is asked first";

    auto field = document.insertTextGraphic(pictureFile("field.gif"), "someField");
    helper->setShapeType(field, "FieldStamper");
    document.select(field);
    EXPECT_EQ(2, helper->getSelectedStampType());

    document.escape();
    auto other = document.addGraphicShape(pictureFile("seal.gif"), "Other", 1000, 1000);
    auto rectangle = document.addRectangleShape(4000, 1000);
    auto seal = document.addGraphicShape(pictureFile("seal.gif"), "Stamper", 7000, 1000);
    document.selectShapes({ other, rectangle, seal });
    EXPECT_EQ(0, helper->getSelectedStampType());
    document.selectShapes({ other, rectangle });
    EXPECT_EQ(-1, helper->getSelectedStampType());

    EXPECT_TRUE(messages().empty());
}

namespace
{
// Page sizes in 1/100 mm.
const awt::Size kA4(21000, 29700);
const awt::Size kLetter(21590, 27940);
// Room the area keeps for the largest seal, 255 pixels at 24/100 mm.
constexpr sal_Int32 kLargestSeal = 6120;

/// Where the area must go: the page and the place on it.
struct Placement
{
    sal_Int16 page = 0;
    sal_Int32 x = 0;
    sal_Int32 y = 0;
};

Reference<beans::XPropertySet> pageStyle(const WriterDocument& document, const char* name)
{
    return Reference<beans::XPropertySet>(
        Reference<style::XStyleFamiliesSupplier>(document.model, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("PageStyles")
            .get<Reference<container::XNameAccess>>()
            ->getByName(OUString::createFromAscii(name)),
        UNO_QUERY_THROW);
}

void shapePages(const WriterDocument& document, const char* style, const awt::Size& size,
                sal_Int32 topMargin)
{
    Reference<beans::XPropertySet> page = pageStyle(document, style);
    page->setPropertyValue("Size", uno::Any(size));
    page->setPropertyValue("TopMargin", uno::Any(topMargin));
    for (const char* margin : { "LeftMargin", "RightMargin", "BottomMargin" })
        page->setPropertyValue(OUString::createFromAscii(margin), uno::Any(sal_Int32(2000)));
}

void fillLines(WriterDocument& document, int lines)
{
    OUString text;
    for (int i = 0; i < lines; ++i)
        text += "Line of the document body that fills the page.\n";
    document.insertText(0, text + "Last line");
}

Reference<text::XPageCursor> pages(const WriterDocument& document)
{
    return Reference<text::XPageCursor>(document.viewCursor(), UNO_QUERY_THROW);
}

/// Lets the office lay out every page of a document just built, as it does by and by.
void layOut(WriterDocument& document)
{
    pages(document)->jumpToLastPage();
    pages(document)->jumpToFirstPage();
    settleOffice(*document.office);
}

/// A first page of one size, in the style "First Page", and the pages after it of another.
void firstPageThenOthers(WriterDocument& document, const awt::Size& first, const awt::Size& others)
{
    shapePages(document, "First Page", first, 3000);
    pageStyle(document, "First Page")
        ->setPropertyValue("FollowStyle", uno::Any(OUString("Standard")));
    shapePages(document, "Standard", others, 2000);
    fillLines(document, 120);
    Reference<text::XTextCursor> start = document.textDocument()->getText()->createTextCursor();
    start->gotoStart(false);
    Reference<beans::XPropertySet>(start, UNO_QUERY_THROW)
        ->setPropertyValue("PageDescName", uno::Any(OUString("First Page")));
    layOut(document);
}

void cursorToStartOfPage(const WriterDocument& document, sal_Int16 page)
{
    pages(document)->jumpToPage(page);
    pages(document)->jumpToStartOfPage();
}

// At the first character of a page the cursor stands at the page's text area corner: the area
// goes by its offsets from there, whatever the margins, the page's size or where it lies.

Placement letterFirstPageStart(WriterDocument& document)
{
    firstPageThenOthers(document, kLetter, kA4);
    cursorToStartOfPage(document, 1);
    return { 1, 3200, 2540 };
}

Placement a4PageAfterLetterFirstPage(WriterDocument& document)
{
    firstPageThenOthers(document, kLetter, kA4);
    cursorToStartOfPage(document, 2);
    return { 2, 3200, 2540 };
}

Placement letterPageAfterA4FirstPage(WriterDocument& document)
{
    firstPageThenOthers(document, kA4, kLetter);
    cursorToStartOfPage(document, 2);
    return { 2, 3200, 2540 };
}

Placement lastLineOfFullLetterFirstPage(WriterDocument& document)
{
    firstPageThenOthers(document, kLetter, kA4);
    pages(document)->jumpToPage(1);
    pages(document)->jumpToEndOfPage();
    // Too low for the largest seal: the area is lifted, and keeps its place across.
    const sal_Int32 x = document.viewCursor()->getPosition().X + 3200;
    return { 1, std::min(x, kLetter.Width - kLargestSeal), kLetter.Height - kLargestSeal };
}

Placement endOfADocumentThatEndsAtThePageBottom(WriterDocument& document)
{
    firstPageThenOthers(document, kLetter, kA4);
    // Pictures follow the text flow, as in the office's fax and letter templates. Everything
    // after the first page's last line goes: the document ends at the bottom of its only page,
    // where the picture, while it stands in the text, pushes it onto a page of its own that
    // goes away again.
    Reference<beans::XPropertySet>(
        Reference<style::XStyleFamiliesSupplier>(document.model, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("FrameStyles")
            .get<Reference<container::XNameAccess>>()
            ->getByName("Graphics"),
        UNO_QUERY_THROW)
        ->setPropertyValue("IsFollowingTextFlow", uno::Any(true));
    pages(document)->jumpToPage(1);
    pages(document)->jumpToEndOfPage();
    Reference<text::XText> body = document.textDocument()->getText();
    Reference<text::XTextCursor> rest
        = body->createTextCursorByRange(document.viewCursor()->getStart());
    rest->gotoEnd(true);
    rest->setString(OUString());
    layOut(document);
    document.viewCursor()->gotoEnd(false);
    EXPECT_EQ(1, Reference<beans::XPropertySet>(document.controller, UNO_QUERY_THROW)
                     ->getPropertyValue("PageCount")
                     .get<sal_Int32>());
    const sal_Int32 x = document.viewCursor()->getPosition().X + 3200;
    return { 1, std::min(x, kLetter.Width - kLargestSeal), kLetter.Height - kLargestSeal };
}

Placement secondColumnOfSection(WriterDocument& document)
{
    shapePages(document, "Standard", kA4, 2000);
    fillLines(document, 10);
    Reference<lang::XMultiServiceFactory> factory(document.model, UNO_QUERY_THROW);
    Reference<text::XTextColumns> columns(factory->createInstance("com.sun.star.text.TextColumns"),
                                          UNO_QUERY_THROW);
    columns->setColumnCount(2);
    Reference<beans::XPropertySet>(columns, UNO_QUERY_THROW)
        ->setPropertyValue("AutomaticDistance", uno::Any(sal_Int32(1000)));
    Reference<beans::XPropertySet> section(factory->createInstance("com.sun.star.text.TextSection"),
                                           UNO_QUERY_THROW);
    section->setPropertyValue("TextColumns", uno::Any(columns));
    Reference<text::XText> body = document.textDocument()->getText();
    Reference<text::XTextCursor> all = body->createTextCursor();
    all->gotoStart(false);
    all->gotoEnd(true);
    body->insertTextContent(Reference<text::XTextRange>(all, UNO_QUERY_THROW),
                            Reference<text::XTextContent>(section, UNO_QUERY_THROW), true);
    Reference<text::XParagraphCursor> sixth(body->createTextCursor(), UNO_QUERY_THROW);
    sixth->gotoStart(false);
    for (int i = 0; i < 5; ++i)
        sixth->gotoNextParagraph(false);
    Reference<beans::XPropertySet>(sixth, UNO_QUERY_THROW)
        ->setPropertyValue("BreakType", uno::Any(style::BreakType_COLUMN_BEFORE));
    layOut(document);
    document.viewCursor()->gotoRange(Reference<text::XTextRange>(sixth, UNO_QUERY_THROW), false);
    // Two columns over a text area of 17000 with 1000 between them: the second starts 9000 in.
    return { 1, 9000 + 3200, 2540 };
}

Placement endOfALongDocumentOnItsSecondPage(WriterDocument& document)
{
    shapePages(document, "Standard", kA4, 2000);
    fillLines(document, 70);
    layOut(document);
    cursorToStartOfPage(document, 2);
    const awt::Point pageStart = document.viewCursor()->getPosition();
    document.viewCursor()->gotoEnd(false);
    const awt::Point end = document.viewCursor()->getPosition();
    return { 2, end.X - pageStart.X + 3200, end.Y - pageStart.Y + 2540 };
}

struct PlacementCase
{
    const char* name;
    Placement (*prepare)(WriterDocument&);
};

const PlacementCase kPlacementCases[] = {
    { "LetterFirstPageStart", letterFirstPageStart },
    { "A4PageAfterLetterFirstPage", a4PageAfterLetterFirstPage },
    { "LetterPageAfterA4FirstPage", letterPageAfterA4FirstPage },
    { "LastLineOfFullLetterFirstPage", lastLineOfFullLetterFirstPage },
    { "EndOfADocumentThatEndsAtThePageBottom", endOfADocumentThatEndsAtThePageBottom },
    { "SecondColumnOfSection", secondColumnOfSection },
    { "EndOfALongDocumentOnItsSecondPage", endOfALongDocumentOnItsSecondPage },
};

void PrintTo(const PlacementCase& placement, std::ostream* out) { *out << placement.name; }

class StampAreaPlacementTest : public StampAreaTest,
                               public ::testing::WithParamInterface<PlacementCase>
{};
}

TEST_P(StampAreaPlacementTest, AreaLiesAtTheCursorsPlaceOnItsPageAndIsSelected)
{
    const Placement expected = GetParam().prepare(document);
    ASSERT_EQ(expected.page, pages(document)->getPage());
    const size_t shapesBefore = document.drawShapes().size();

    ASSERT_TRUE(helper->insertStampArea());
    EXPECT_EQ(shapesBefore + 1, document.drawShapes().size()) << "only the area is added";
    EXPECT_TRUE(messages().empty());
    Reference<beans::XPropertySet> area = document.textGraphic("gzqy");
    sal_Int16 anchorPage = 0;
    area->getPropertyValue("AnchorPageNo") >>= anchorPage;
    EXPECT_EQ(expected.page, anchorPage);
    constexpr sal_Int32 kTwip = 2; // positions are kept in twips
    EXPECT_NEAR(expected.x, intProperty(area, "HoriOrientPosition"), kTwip);
    EXPECT_NEAR(expected.y, intProperty(area, "VertOrientPosition"), kTwip);
    EXPECT_EQ(1, helper->getSelectedStampType()) << "the area is not selected";
}

INSTANTIATE_TEST_SUITE_P(Documents, StampAreaPlacementTest, ::testing::ValuesIn(kPlacementCases),
                         [](const ::testing::TestParamInfo<PlacementCase>& info) {
                             return std::string(info.param.name);
                         });
