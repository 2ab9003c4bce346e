// The stamping-area placeholder, and what kind of seal object the caller has selected.

#include <OfficeFixture.hxx>

#include <ShapeAttributes.hxx>
#include <cmath>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/WrapTextMode.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XPageCursor.hpp>

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

    /// A document long enough for a second page, the view cursor at its start.
    void useTwoPageDocument()
    {
        OUString text;
        for (int i = 0; i < 70; ++i)
            text += "Line of the document body that fills the page.\n";
        useDocument(text + "Last line");
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
    EXPECT_EQ(twipRounded(cursor.Y % 29800 + 2540), intProperty(area, "VertOrientPosition"));
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
    EXPECT_TRUE(helper->pictureURL.Complete.endsWith("/gzqy.gif"));
    document.select(area);
    EXPECT_EQ(1, helper->getSelectedStampType());
}

TEST_F(StampAreaTest, AreaOnTheSecondPageIsPlacedOnItsBand)
{
    useTwoPageDocument();
    document.moveViewCursor(document.text().getLength());
    const awt::Point cursor = document.viewCursor()->getPosition();
    ASSERT_EQ(2, Reference<text::XPageCursor>(document.viewCursor(), UNO_QUERY_THROW)->getPage());
    ASSERT_GT(cursor.Y, 29800);

    EXPECT_TRUE(helper->insertStampArea());
    Reference<beans::XPropertySet> area = document.textGraphic("gzqy");
    EXPECT_EQ(twipRounded(cursor.Y % 29800 + 2540), intProperty(area, "VertOrientPosition"));
    EXPECT_LT(intProperty(area, "VertOrientPosition"), 29800);
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
