// Stamped documents saved in Word formats: the seal comes back as a seal and still verifies.

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <format/ShapeAttributes.hxx>
#include <com/sun/star/beans/XPropertyContainer.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/drawing/ColorMode.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
const OUString kBody = OUString::fromUtf8(u8"关于印章管理的通知\n各部门：现将办法印发给你们。");

class WordFormatsTest : public OfficeTest
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-word", u8"北京市测试局");
        return made;
    }

    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        seal().activate();
        document.insertText(0, kBody);
    }

    void stamp()
    {
        document.moveViewCursor(5);
        ASSERT_TRUE(helper->insertStampArea());
        ASSERT_TRUE(helper->stampDocument());
    }

    /// Saves in the format, reopens the file in a new window and gives that window its helper.
    void roundTrip(const std::string& fileName, const char* filter)
    {
        document.saveAndReload(office(), fileName, filter);
        helper = makeHelper(document.frame);
    }

    std::vector<Reference<drawing::XShape>> seals()
    {
        std::vector<Reference<drawing::XShape>> found;
        for (const auto& shape : document.drawShapes())
            if (quillmark::getShapeType(Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW))
                == "Stamper")
                found.push_back(shape);
        return found;
    }

    uno::Sequence<OUString> textGraphicNames()
    {
        return Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
            ->getGraphicObjects()
            ->getElementNames();
    }

    bool modified()
    {
        return Reference<util::XModifiable>(document.model, UNO_QUERY_THROW)->isModified();
    }

    Reference<beans::XPropertySet> userProperties()
    {
        return Reference<beans::XPropertySet>(
            Reference<document::XDocumentPropertiesSupplier>(document.model, UNO_QUERY_THROW)
                ->getDocumentProperties()
                ->getUserDefinedProperties(),
            UNO_QUERY_THROW);
    }

    /// Verifies the seal in the window; true when the document was changed.
    bool verifiesChanged()
    {
        document.selectShapes(seals());
        return helper->verifyDocument();
    }

    void checkRoundTrip(const std::string& fileName, const char* filter)
    {
        stamp();
        roundTrip(fileName, filter);
        EXPECT_FALSE(document.hasMaster("newSignatureType")) << "the format drops masters";
        ASSERT_EQ(1u, seals().size()) << "the picture is a document seal again";
        EXPECT_EQ(0, textGraphicNames().getLength());
        EXPECT_FALSE(modified()) << "opening changes nothing the user made";
        EXPECT_EQ(OUString("Stamper"),
                  Reference<container::XNamed>(seals()[0], UNO_QUERY_THROW)->getName());
        document.selectShapes(seals());
        EXPECT_EQ(0, helper->getSelectedStampType()) << "the seal menu applies to it";

        EXPECT_FALSE(verifiesChanged());
        EXPECT_TRUE(messages().empty());
        document.escape();
        document.insertText(3, "x");
        EXPECT_TRUE(verifiesChanged());
        drawing::ColorMode mode = drawing::ColorMode_STANDARD;
        Reference<beans::XPropertySet>(seals()[0], UNO_QUERY_THROW)
            ->getPropertyValue("GraphicColorMode")
            >>= mode;
        EXPECT_EQ(drawing::ColorMode_MONO, mode);
    }
};
}

TEST_F(WordFormatsTest, StampedDocxStillVerifies)
{
    checkRoundTrip("stamped.docx", "MS Word 2007 XML");
}

TEST_F(WordFormatsTest, StampedDocStillVerifies) { checkRoundTrip("stamped.doc", "MS Word 97"); }

TEST_F(WordFormatsTest, SignatureIsMirroredInTheDocumentPropertiesAndGoesWithIt)
{
    stamp();
    OUString mirrored;
    userProperties()->getPropertyValue("newSignatureType") >>= mirrored;
    EXPECT_EQ(document.masterContent("newSignatureType"), mirrored);
    helper->removeUserField("newSignatureType");
    EXPECT_FALSE(userProperties()->getPropertySetInfo()->hasPropertyByName("newSignatureType"));
}

TEST_F(WordFormatsTest, PictureNamedLikeASealInAnUnsignedDocumentStaysAPicture)
{
    document.insertTextGraphic(pictureFile("stamper.gif"), "Stamper", 3);
    document.saveAndReload(office(), "unsigned.docx", "MS Word 2007 XML");
    helper = makeHelper(document.frame);
    EXPECT_TRUE(seals().empty());
    EXPECT_EQ(1, textGraphicNames().getLength());
}

TEST_F(WordFormatsTest, InvalidSealIsReadiedForDocxAndReopensAsAnInvalidSeal)
{
    stamp();
    document.escape();
    document.insertText(3, "x");
    ASSERT_TRUE(verifiesChanged());
    // A seal picture carrying its caption makes the office write a .docx it cannot open again.
    EXPECT_TRUE(helper->prepareSealsForSaving("MS Word 2007 XML"));
    EXPECT_TRUE(Reference<text::XText>(seals()[0], UNO_QUERY_THROW)->getString().isEmpty());
    EXPECT_TRUE(messages().empty());

    roundTrip("invalid.docx", "MS Word 2007 XML");
    ASSERT_EQ(1u, seals().size());
    EXPECT_TRUE(verifiesChanged());
    EXPECT_EQ(OUString::fromUtf8(u8"无效印章"),
              Reference<text::XText>(seals()[0], UNO_QUERY_THROW)->getString());
}

TEST_F(WordFormatsTest, SavingInAFormatThatLosesTheSealIsWarnedOf)
{
    EXPECT_TRUE(helper->prepareSealsForSaving("Text")) << "an unsigned document has no seal";
    stamp();
    EXPECT_TRUE(helper->prepareSealsForSaving("writer8"));
    EXPECT_TRUE(helper->prepareSealsForSaving("MS Word 97"));
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(helper->prepareSealsForSaving("Rich Text Format"));
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"此格式不能保存印章和签名，保存后印章将无法验证！"),
              shown[0].text);
}
