// The seal picture replaces the selected stamping area; removal and validity marking of seals.

#include <OfficeFixture.hxx>

#include <format/ShapeAttributes.hxx>
#include <cmath>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/WrapTextMode.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/drawing/ColorMode.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XText.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
class SealPlacementTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        document.insertText(0, "Text of a document that gets stamped.\nSecond paragraph.");
    }

    /// Inserts a stamping area at the view cursor (it is then selected) and places a seal of
    /// `picture` in its place, as stamping does.
    bool stampAt(sal_Int32 position, const std::string& picture)
    {
        document.moveViewCursor(position);
        if (!helper->insertStampArea())
            return false;
        selectStampArea();
        helper->parsePictureURL(OUString::fromUtf8(fileUrl(picture).c_str()));
        helper->setSealPictureSize(awt::Size(2400, 1200));
        helper->readStampAreaPosition();
        helper->readStampAreaPage();
        return helper->removeStampArea() && helper->placeSealPicture();
    }

    /// The user clicks the stamping area before stamping.
    void selectStampArea() { document.select(document.textGraphic("gzqy")); }

    std::vector<Reference<beans::XPropertySet>> sealShapes()
    {
        std::vector<Reference<beans::XPropertySet>> seals;
        for (const auto& shape : document.drawShapes())
        {
            Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
            if (quillmark::getShapeType(properties) == "Stamper")
                seals.push_back(properties);
        }
        return seals;
    }

    template <class T>
    T property(const Reference<beans::XPropertySet>& object, const char* name)
    {
        T value{};
        object->getPropertyValue(OUString::createFromAscii(name)) >>= value;
        return value;
    }

    OUString caption(const Reference<beans::XPropertySet>& seal)
    {
        return Reference<text::XText>(seal, UNO_QUERY_THROW)->getString();
    }
};
}

TEST_F(SealPlacementTest, SealTakesTheAreaPlaceProtectedAndMarked)
{
    document.moveViewCursor(5);
    ASSERT_TRUE(helper->insertStampArea());
    Reference<beans::XPropertySet> area = document.textGraphic("gzqy");
    const sal_Int32 areaX = property<sal_Int32>(area, "HoriOrientPosition");
    const sal_Int32 areaY = property<sal_Int32>(area, "VertOrientPosition");
    const sal_Int16 areaPage = property<sal_Int16>(area, "AnchorPageNo");
    selectStampArea();

    helper->parsePictureURL(OUString::fromUtf8(fileUrl(pictureFile("seal.gif")).c_str()));
    helper->setSealPictureSize(awt::Size(2400, 1200));
    helper->readStampAreaPosition();
    helper->readStampAreaPage();
    EXPECT_EQ(areaX, helper->getSealPosition().X);
    EXPECT_EQ(areaY, helper->getSealPosition().Y);
    EXPECT_EQ(areaPage, helper->getSealAnchorPage());
    ASSERT_TRUE(helper->removeStampArea());
    ASSERT_TRUE(helper->placeSealPicture());
    EXPECT_TRUE(messages().empty());

    EXPECT_FALSE(Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
                     ->getGraphicObjects()
                     ->hasByName("gzqy"));
    auto seals = sealShapes();
    ASSERT_EQ(1u, seals.size());
    Reference<drawing::XShape> seal(seals[0], UNO_QUERY_THROW);
    EXPECT_EQ(OUString("Stamper"), property<OUString>(seals[0], "Name"));
    // Writer keeps sizes in twips.
    EXPECT_NEAR(2400, seal->getSize().Width, 2);
    EXPECT_NEAR(1200, seal->getSize().Height, 2);
    EXPECT_NEAR(areaX, seal->getPosition().X, 2);
    EXPECT_NEAR(areaY, seal->getPosition().Y, 2);
    EXPECT_EQ(areaPage, property<sal_Int16>(seals[0], "AnchorPageNo"));
    EXPECT_TRUE(property<bool>(seals[0], "MoveProtect"));
    EXPECT_TRUE(property<bool>(seals[0], "SizeProtect"));
    EXPECT_TRUE(property<bool>(seals[0], "Opaque"));
    EXPECT_EQ(text::TextContentAnchorType_AT_PAGE,
              property<text::TextContentAnchorType>(seals[0], "AnchorType"));
    EXPECT_EQ(text::WrapTextMode_THROUGH, property<text::WrapTextMode>(seals[0], "Surround"));
}

TEST_F(SealPlacementTest, TwoStampsGiveTwoSealsAndTheLatestPictureInTheBitmapTable)
{
    const std::string first = pictureFile("first.gif");
    const std::string second = pictureFile("second.gif");
    ASSERT_TRUE(stampAt(2, first));
    document.escape();
    ASSERT_TRUE(stampAt(40, second));

    auto seals = sealShapes();
    ASSERT_EQ(2u, seals.size());
    EXPECT_EQ(OUString("Stamper"), property<OUString>(seals[0], "Name"));
    EXPECT_EQ(OUString("Stamper"), property<OUString>(seals[1], "Name"));
    EXPECT_NE(Reference<drawing::XShape>(seals[0], UNO_QUERY_THROW)->getPosition().X,
              Reference<drawing::XShape>(seals[1], UNO_QUERY_THROW)->getPosition().X);

    Reference<container::XNameContainer> bitmaps(
        Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW)
            ->createInstance("com.sun.star.drawing.BitmapTable"),
        UNO_QUERY_THROW);
    ASSERT_TRUE(bitmaps->hasByName("nudo_CA"));
    EXPECT_EQ(1, bitmaps->getElementNames().getLength());
}

TEST_F(SealPlacementTest, MissingPictureFileIsReportedAndNothingIsPlaced)
{
    helper->parsePictureURL(OUString::fromUtf8(fileUrl(workFile("missing.gif")).c_str()));
    EXPECT_FALSE(helper->placeSealPicture());
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString("Message"), shown[0].title);
    EXPECT_EQ(OUString("No such file or directory!"), shown[0].text);
    EXPECT_TRUE(document.drawShapes().empty());
}

TEST_F(SealPlacementTest, DrawShapeSelectedAtRemovalIsRefusedAndKept)
{
    auto shape = document.addGraphicShape(pictureFile("seal.gif"), "Stamper");
    document.select(shape);
    EXPECT_FALSE(helper->removeStampArea());
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"提示"), shown[0].title);
    EXPECT_EQ(OUString::fromUtf8(u8"网络不稳 请重新盖章"), shown[0].text);
    EXPECT_EQ(1u, document.drawShapes().size());
}

TEST_F(SealPlacementTest, PlainTextSelectionHasNoAreaPosition)
{
    document.selectText(0, 4);
    EXPECT_THROW(helper->readStampAreaPosition(), uno::Exception);
    EXPECT_THROW(helper->readStampAreaPage(), uno::Exception);
}

TEST_F(SealPlacementTest, MarkingChangesOnlySelectedDocumentSealsAndCanBeUndone)
{
    ASSERT_TRUE(stampAt(2, pictureFile("seal.gif")));
    document.escape();
    ASSERT_TRUE(stampAt(20, pictureFile("seal.gif")));
    document.escape();
    ASSERT_TRUE(stampAt(40, pictureFile("seal.gif")));
    auto seals = sealShapes();
    ASSERT_EQ(3u, seals.size());
    auto other = document.addGraphicShape(pictureFile("plain.gif"), "Stamper", 9000, 9000);
    setUserAttribute(other, "ShapeType", "FieldStamper");
    Reference<beans::XPropertySet> otherProperties(other, UNO_QUERY_THROW);

    document.selectShapes({ Reference<drawing::XShape>(seals[0], UNO_QUERY_THROW),
                            Reference<drawing::XShape>(seals[1], UNO_QUERY_THROW), other });
    helper->markDocumentSeals(true);
    for (int i : { 0, 1 })
    {
        EXPECT_EQ(drawing::ColorMode_MONO,
                  property<drawing::ColorMode>(seals[i], "GraphicColorMode"));
        EXPECT_EQ(OUString::fromUtf8(u8"无效印章"), caption(seals[i]));
    }
    EXPECT_EQ(drawing::ColorMode_STANDARD,
              property<drawing::ColorMode>(seals[2], "GraphicColorMode"));
    EXPECT_TRUE(caption(seals[2]).isEmpty());
    EXPECT_EQ(drawing::ColorMode_STANDARD,
              property<drawing::ColorMode>(otherProperties, "GraphicColorMode"));
    EXPECT_TRUE(caption(otherProperties).isEmpty());

    helper->markDocumentSeals(false);
    EXPECT_EQ(drawing::ColorMode_STANDARD,
              property<drawing::ColorMode>(seals[0], "GraphicColorMode"));
    EXPECT_TRUE(caption(seals[0]).isEmpty());
    EXPECT_TRUE(messages().empty());
}

TEST_F(SealPlacementTest, MarkingSurvivesSaveAndReload)
{
    ASSERT_TRUE(stampAt(2, pictureFile("seal.gif")));
    document.escape();
    document.selectShapes({ Reference<drawing::XShape>(sealShapes()[0], UNO_QUERY_THROW) });
    helper->markDocumentSeals(true);
    document.saveAndReload(office(), "marked.odt");
    auto seals = sealShapes();
    ASSERT_EQ(1u, seals.size());
    EXPECT_EQ(drawing::ColorMode_MONO, property<drawing::ColorMode>(seals[0], "GraphicColorMode"));
    EXPECT_EQ(OUString::fromUtf8(u8"无效印章"), caption(seals[0]));
    EXPECT_TRUE(property<bool>(seals[0], "MoveProtect"));
}

TEST_F(SealPlacementTest, PlainTextIsNeverMarked)
{
    document.selectText(0, 4);
    helper->markDocumentSeals(true);
    helper->markSelectedFieldSeal(true);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(OUString("Text of a document that gets stamped.\nSecond paragraph."),
              document.text());
}

TEST_F(SealPlacementTest, FieldSealMarkingSetsOnlyTheColourMode)
{
    auto field = document.insertTextGraphic(pictureFile("field.gif"), "field");
    document.select(field);
    helper->markSelectedFieldSeal(true);
    EXPECT_EQ(drawing::ColorMode_MONO, property<drawing::ColorMode>(field, "GraphicColorMode"));
    helper->markSelectedFieldSeal(false);
    EXPECT_EQ(drawing::ColorMode_STANDARD, property<drawing::ColorMode>(field, "GraphicColorMode"));
}

TEST_F(SealPlacementTest, SelectedSealIsDeletedAndTheSignatureStays)
{
    helper->writeDocumentSignature("signature");
    ASSERT_TRUE(stampAt(2, pictureFile("seal.gif")));
    document.escape();
    document.selectShapes({ Reference<drawing::XShape>(sealShapes()[0], UNO_QUERY_THROW) });
    EXPECT_TRUE(helper->deleteSelectedStamp());
    EXPECT_TRUE(sealShapes().empty());
    EXPECT_TRUE(document.hasMaster("newSignatureType"));
    EXPECT_TRUE(messages().empty());
}

TEST_F(SealPlacementTest, SelectedStampingAreaIsDeletedWithoutAsking)
{
    ASSERT_TRUE(helper->insertStampArea());
    selectStampArea();
    EXPECT_TRUE(helper->deleteSelectedStamp());
    EXPECT_FALSE(Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
                     ->getGraphicObjects()
                     ->hasByName("gzqy"));
}

TEST_F(SealPlacementTest, NothingSelectedDeletesNothingSilently)
{
    document.selectText(3, 0);
    const OUString before = document.text();
    EXPECT_FALSE(helper->deleteSelectedStamp());
    EXPECT_FALSE(helper->removeSelectedDocumentSeal());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(before, document.text());
}

TEST_F(SealPlacementTest, SelectedTextIsNotDeletedAsASeal)
{
    document.selectText(0, 4);
    const OUString before = document.text();
    EXPECT_FALSE(helper->deleteSelectedStamp());
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"删除签章异常!"), shown[0].text);
    EXPECT_EQ(before, document.text());
    // The removal step of a seal whose right was confirmed reports the same and still counts.
    document.selectText(0, 4);
    EXPECT_TRUE(helper->removeSelectedDocumentSeal());
    EXPECT_EQ(before, document.text());
}
