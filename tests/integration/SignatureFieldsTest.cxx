// Seal and signature data kept as user field masters, and the seal name taken from the selection.

#include <OfficeFixture.hxx>

#include <format/ShapeAttributes.hxx>
#include <com/sun/star/lang/IllegalArgumentException.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
class SignatureFieldsTest : public OfficeTest
{
protected:
    /// Selects a text graphic object named `name`.
    void selectTextGraphic(const OUString& name)
    {
        auto graphic = document.insertTextGraphic(pictureFile("field.gif"), name);
        document.select(graphic);
    }
    /// Selects graphic shapes carrying the given seal names ("" = no StamperName attribute).
    void selectSealShapes(const std::vector<OUString>& stamperNames)
    {
        std::vector<Reference<drawing::XShape>> shapes;
        sal_Int32 x = 1000;
        for (const OUString& name : stamperNames)
        {
            auto shape = document.addGraphicShape(pictureFile("seal.gif"), "Stamper", x, 2000);
            if (!name.isEmpty())
                setUserAttribute(shape, "StamperName", name);
            shapes.push_back(shape);
            x += 3000;
        }
        document.selectShapes(shapes);
    }
};
}

TEST_F(SignatureFieldsTest, DocumentSignatureIsCreatedOnceThenReplaced)
{
    document.insertText(0, "Body text");
    const OUString before = document.text();
    EXPECT_TRUE(helper->writeDocumentSignature("first"));
    EXPECT_TRUE(helper->writeDocumentSignature("second"));
    EXPECT_EQ(OUString("second"), document.masterContent("newSignatureType"));
    const auto names = document.userMasterNames();
    EXPECT_EQ(1, std::count(names.begin(), names.end(), OUString("newSignatureType")));
    EXPECT_EQ(before, document.text()) << "stored data never changes the signed text";
}

TEST_F(SignatureFieldsTest, SealFieldKindsOutsideOneToFiveReadNothing)
{
    helper->setContainerName("ABC");
    document.writeMaster("ABCCert", "certificate");
    selectTextGraphic("XYZ");
    OUString value = "untouched";
    EXPECT_FALSE(helper->readSealField(0, value));
    EXPECT_FALSE(helper->readSealField(6, value));
    EXPECT_EQ(OUString("untouched"), value);
    EXPECT_TRUE(helper->readSealField(1, value));
    EXPECT_EQ(OUString("certificate"), value);
}

TEST_F(SignatureFieldsTest, CurrentSealNameWinsOverTheSelectedOne)
{
    helper->setContainerName("ABC");
    document.writeMaster("ABCSign", "abc signature");
    document.writeMaster("XYZSign", "xyz signature");
    selectTextGraphic("XYZ");
    OUString value;
    EXPECT_TRUE(helper->readSealField(2, value));
    EXPECT_EQ(OUString("abc signature"), value);
    EXPECT_EQ(OUString("ABC"), helper->getContainerName());
}

TEST_F(SignatureFieldsTest, PlainTextSelectionReadsNothingEvenWithASealName)
{
    helper->setContainerName("ABC");
    document.insertText(0, "Some text");
    document.writeMaster("ABCSign", "abc signature");
    document.writeMaster("newSignatureType", "document signature");
    document.selectText(0, 4);
    OUString value;
    EXPECT_FALSE(helper->readSealField(2, value));
    EXPECT_FALSE(helper->readDocumentSignature(value));
    EXPECT_TRUE(value.isEmpty());
}

TEST_F(SignatureFieldsTest, SelectedGraphicNameBecomesTheSealName)
{
    document.writeMaster("XYZCert", "xyz certificate");
    selectTextGraphic("XYZ");
    OUString value;
    EXPECT_TRUE(helper->readSealField(1, value));
    EXPECT_EQ(OUString("xyz certificate"), value);
    EXPECT_EQ(OUString("XYZ"), helper->getContainerName());

    // Adopted for every later call, whatever is selected then.
    document.writeMaster("XYZPostil", "comment");
    selectSealShapes({ "OTHER" });
    value.clear();
    EXPECT_TRUE(helper->readPostil(value));
    EXPECT_EQ(OUString("comment"), value);
}

TEST_F(SignatureFieldsTest, LastGraphicShapeOfTheSelectionDecidesEvenWhenUnnamed)
{
    document.writeMaster("Cert", "bare certificate");
    document.writeMaster("FIRSTCert", "first certificate");
    selectSealShapes({ "FIRST", "" });
    OUString value;
    EXPECT_TRUE(helper->readSealField(1, value));
    EXPECT_EQ(OUString("bare certificate"), value) << "the bare suffix is the field name";
    EXPECT_TRUE(helper->getContainerName().isEmpty());
}

TEST_F(SignatureFieldsTest, ShapeSelectionAdoptsTheLastStamperName)
{
    document.writeMaster("SECONDSign", "second signature");
    selectSealShapes({ "FIRST", "SECOND" });
    OUString value;
    EXPECT_TRUE(helper->readSealField(2, value));
    EXPECT_EQ(OUString("second signature"), value);
    EXPECT_EQ(OUString("SECOND"), helper->getContainerName());
}

TEST_F(SignatureFieldsTest, PostilNameIsComposedBeforeTheSelectionIsResolved)
{
    document.writeMaster("Postil", "bare comment");
    document.writeMaster("SEALPostil", "seal comment");
    selectSealShapes({ "SEAL" });
    OUString value;
    EXPECT_TRUE(helper->readPostil(value));
    EXPECT_EQ(OUString("bare comment"), value);
    EXPECT_EQ(OUString("SEAL"), helper->getContainerName());
    value.clear();
    EXPECT_TRUE(helper->readPostil(value));
    EXPECT_EQ(OUString("seal comment"), value);
}

TEST_F(SignatureFieldsTest, PostilIsWrittenUnderTheCurrentSealName)
{
    helper->setContainerName("SEAL");
    EXPECT_TRUE(helper->writePostil(OUString::fromUtf8(u8"同意")));
    EXPECT_TRUE(helper->writePostil(OUString::fromUtf8(u8"已审核")));
    EXPECT_EQ(OUString::fromUtf8(u8"已审核"), document.masterContent("SEALPostil"));
    const auto names = document.userMasterNames();
    EXPECT_EQ(1, std::count(names.begin(), names.end(), OUString("SEALPostil")));
}

TEST_F(SignatureFieldsTest, DocumentSealIsSelectedOnlyForShapesInASignedDocument)
{
    selectSealShapes({ "SEAL" });
    EXPECT_FALSE(helper->isDocumentSealSelected()) << "no document signature yet";
    EXPECT_EQ(OUString("SEAL"), helper->getContainerName())
        << "the name is adopted before the test";

    helper->writeDocumentSignature("signature");
    EXPECT_TRUE(helper->isDocumentSealSelected());

    selectTextGraphic("SEAL");
    EXPECT_FALSE(helper->isDocumentSealSelected());
    document.selectText(0, 0);
    EXPECT_FALSE(helper->isDocumentSealSelected());
}

TEST_F(SignatureFieldsTest, StampedDocumentWithoutSelectionHasNoReadableSignature)
{
    document.insertText(0, "Stamped");
    helper->writeDocumentSignature("signature");
    document.selectText(0, 0);
    OUString value;
    EXPECT_FALSE(helper->readDocumentSignature(value));
}

TEST_F(SignatureFieldsTest, MasterNamesAreComparedExactly)
{
    // The office finds "abcpostil" under "ABCPostil"; the component does not take it.
    document.writeMaster("ABCPostil", "upper");
    helper->setContainerName("abc");
    selectSealShapes({ "" });
    OUString value = "untouched";
    EXPECT_FALSE(helper->readPostil(value));
    EXPECT_EQ(OUString("untouched"), value);
}

TEST_F(SignatureFieldsTest, WritingACaseVariantIsRefusedByTheOfficeAndLeavesTheOtherAlone)
{
    // The office keeps one user field per name whatever its case: the new master's name is
    // refused with the office's exception, which reaches the caller.
    document.writeMaster("ABCPostil", "upper");
    helper->setContainerName("abc");
    EXPECT_THROW(helper->writePostil("lower"), lang::IllegalArgumentException);
    EXPECT_EQ(OUString("upper"), document.masterContent("ABCPostil"));
    EXPECT_FALSE(document.hasMaster("abcPostil"));
}

TEST_F(SignatureFieldsTest, MastersSurviveSaveAndReload)
{
    document.insertText(0, OUString::fromUtf8(u8"正文内容"));
    helper->writeDocumentSignature("signature text");
    helper->setContainerName("SEAL");
    helper->writePostil(OUString::fromUtf8(u8"批注"));
    const OUString text = document.text();

    document.saveAndReload(office(), "fields.odt");
    EXPECT_EQ(OUString("signature text"), document.masterContent("newSignatureType"));
    EXPECT_EQ(OUString::fromUtf8(u8"批注"), document.masterContent("SEALPostil"));
    EXPECT_EQ(text, document.text());
}

TEST_F(SignatureFieldsTest, DocumentTextIsTheBodyExactlyAsTheOfficeGivesIt)
{
    document.insertText(0, OUString::fromUtf8(u8"第一段  \n Second paragraph\t"));
    EXPECT_EQ(document.text(), helper->getDocumentText());
    EXPECT_EQ(OUString::fromUtf8(u8"第一段  \n Second paragraph\t"), helper->getDocumentText());
    helper->writeDocumentSignature("x");
    helper->writePostil("y");
    EXPECT_EQ(document.text(), helper->getDocumentText());
}
