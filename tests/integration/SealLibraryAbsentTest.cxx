// Without the electronic-seal library the component still works: seal calls answer 0.

#include <OfficeFixture.hxx>

#include <libraries/SealLibraryBinding.hxx>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/drawing/ColorMode.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
class SealLibraryAbsentTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        document.insertText(0, "A document to stamp");
    }
};
}

TEST_F(SealLibraryAbsentTest, LibraryIsNotFound)
{
    quillmark::SealLibraryBinding binding;
    EXPECT_FALSE(quillmark::SealLibraryBinding::loaded());
    int length = 0;
    std::vector<char> area(KTXESEAL_AREA_SIZE, 0);
    EXPECT_EQ(0, binding.SignESeal("x", 1, area.data(), &length));
    EXPECT_EQ(0, binding.ShowESealInfo("x", 1, "y", 1));
    EXPECT_EQ(0, binding.CheckRemovedRight("y", 1));
}

TEST_F(SealLibraryAbsentTest, StampingFailsSilently)
{
    ASSERT_TRUE(helper->insertStampArea());
    document.select(document.textGraphic("gzqy"));
    EXPECT_FALSE(helper->stampDocument());
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(document.hasMaster("newSignatureType"));
}

TEST_F(SealLibraryAbsentTest, SealLibrarySealReadsAsChangedAndIsMarked)
{
    document.writeMaster("newSignatureType", "c2lnbmF0dXJl");
    auto seal = document.addGraphicShape(pictureFile("seal.gif"), "Stamper");
    helper->setShapeType(Reference<beans::XPropertySet>(seal, UNO_QUERY_THROW), "Stamper");
    document.selectShapes({ seal });
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_TRUE(helper->isDocumentModified());
    drawing::ColorMode mode = drawing::ColorMode_STANDARD;
    Reference<beans::XPropertySet>(seal, UNO_QUERY_THROW)->getPropertyValue("GraphicColorMode")
        >>= mode;
    EXPECT_EQ(drawing::ColorMode_MONO, mode);
    EXPECT_FALSE(helper->removeDocumentStamp()) << "no library, no right to remove";
    EXPECT_FALSE(helper->isDocumentModified());
}
