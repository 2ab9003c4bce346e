// The survey of every seal in a document: found without a selection, verified as the operations
// verify, and marked without leaving the document modified.

#include "FieldSealFixture.hxx"

#include <format/ShapeAttributes.hxx>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XModifiable.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using Quillmark::Certificate::SealSurveyEntry;

namespace
{
OUString ou(const char* text) { return OUString::fromUtf8(text); }

class SealSurveyTest : public FieldSealTest
{
protected:
    void SetUp() override
    {
        FieldSealTest::SetUp();
        installStampAreaPicture();
    }

    /// Stamps the whole document with a stamping area at `position`, then signs the field.
    void stampAndSign(sal_Int32 position = 1)
    {
        document.moveViewCursor(position);
        ASSERT_TRUE(helper->insertStampArea());
        select(document.textGraphic("gzqy"));
        ASSERT_TRUE(helper->stampDocument());
        document.escape();
        ASSERT_TRUE(helper->signField("contract"));
        document.escape();
        ASSERT_TRUE(shownTexts().empty());
    }

    std::vector<SealSurveyEntry> survey(bool mark = false)
    {
        const auto entries = helper->surveySeals(mark);
        return std::vector<SealSurveyEntry>(entries.begin(), entries.end());
    }

    Reference<beans::XPropertySet> documentSeal()
    {
        for (const auto& shape : document.drawShapes())
        {
            Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
            if (quillmark::getShapeType(properties) == "Stamper")
                return properties;
        }
        return {};
    }

    static OUString caption(const Reference<beans::XPropertySet>& seal)
    {
        return Reference<text::XText>(seal, UNO_QUERY_THROW)->getString();
    }

    Reference<util::XModifiable> modifiable()
    {
        return Reference<util::XModifiable>(document.model, UNO_QUERY_THROW);
    }

    sal_Int32 undoSteps()
    {
        return Reference<css::document::XUndoManagerSupplier>(document.model, UNO_QUERY_THROW)
            ->getUndoManager()
            ->getAllUndoActionTitles()
            .getLength();
    }
};

void expectEntry(const SealSurveyEntry& entry, const char* kind, const OUString& name, bool valid,
                 const char* reason)
{
    EXPECT_EQ(OUString::createFromAscii(kind), entry.Kind);
    EXPECT_EQ(utf8(name), utf8(entry.Name));
    EXPECT_EQ(valid, static_cast<bool>(entry.Valid)) << utf8(entry.Reason);
    EXPECT_EQ(reason, utf8(entry.Reason));
}
}

TEST_F(SealSurveyTest, FindsTheDocumentSealAndTheFieldSealAndTellsWhichTextChanged)
{
    stampAndSign();
    auto seals = survey();
    ASSERT_EQ(2u, seals.size());
    expectEntry(seals[0], "document", "", true, u8"文档未被修改，印章有效！");
    ASSERT_EQ(1, seals[0].Pictures.getLength());
    EXPECT_EQ(Reference<uno::XInterface>(documentSeal(), uno::UNO_QUERY), seals[0].Pictures[0]);
    expectEntry(seals[1], "field", "contract", true, u8"域内容未被修改，印章有效！");
    ASSERT_EQ(1, seals[1].Pictures.getLength());
    EXPECT_EQ(Reference<uno::XInterface>(document.textGraphic("contract"), uno::UNO_QUERY),
              seals[1].Pictures[0]);

    changeCharacter(kAfterRegion);
    seals = survey();
    ASSERT_EQ(2u, seals.size());
    expectEntry(seals[0], "document", "", false, u8"文档已被修改，印章无效！（已修改：正文）");
    expectEntry(seals[1], "field", "contract", true, u8"域内容未被修改，印章有效！");

    changeCharacter(kInsideRegion);
    seals = survey();
    ASSERT_EQ(2u, seals.size());
    expectEntry(seals[1], "field", "contract", false,
                u8"域内容已被修改，印章无效！（已修改：正文）");
    EXPECT_TRUE(shownTexts().empty()) << "the survey shows no box";
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(documentSeal())) << "nothing marked unasked";
}

TEST_F(SealSurveyTest, MarkingShowsEachVerdictWhateverTheFileStoredAndLeavesNoTrace)
{
    stampAndSign();
    // A file that says "invalid" for seals that are valid.
    Reference<beans::XPropertySet> seal = documentSeal();
    seal->setPropertyValue("GraphicColorMode", uno::Any(drawing::ColorMode_MONO));
    Reference<text::XText>(seal, UNO_QUERY_THROW)->setString(ou(u8"无效印章"));
    document.textGraphic("contract")
        ->setPropertyValue("GraphicColorMode", uno::Any(drawing::ColorMode_MONO));
    document.saveAndReload(office(), "survey-marked.odt");
    helper = makeHelper(document.frame);
    ASSERT_FALSE(modifiable()->isModified());
    const sal_Int32 steps = undoSteps();

    survey(true);
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(documentSeal()));
    EXPECT_TRUE(caption(documentSeal()).isEmpty());
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(document.textGraphic("contract")));
    EXPECT_FALSE(modifiable()->isModified());
    EXPECT_EQ(steps, undoSteps()) << "marking is nothing the user could undo";

    changeCharacter(kInsideRegion);
    modifiable()->setModified(false);
    survey(true);
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(documentSeal()));
    EXPECT_EQ(utf8(ou(u8"无效印章")), utf8(caption(documentSeal())));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(document.textGraphic("contract")));
    EXPECT_FALSE(modifiable()->isModified());

    changeCharacter(kAfterRegion);
    ASSERT_TRUE(modifiable()->isModified());
    survey(true);
    EXPECT_TRUE(modifiable()->isModified()) << "a modified document stays modified";
}

TEST_F(SealSurveyTest, SealPicturesWithoutSignatureAreInvalidSeals)
{
    EXPECT_TRUE(survey().empty()) << "unsigned markers and no pictures: no seal";

    Reference<drawing::XShape> stray
        = document.addGraphicShape(pictureFile("stray-seal.gif"), "Stamper");
    setUserAttribute(stray, "ShapeType", "Stamper");
    Reference<beans::XPropertySet> strayField
        = document.insertTextGraphic(pictureFile("stray-field.gif"), "contract", 1);
    setUserAttribute(strayField, "ShapeType", "FieldStamper");

    const auto seals = survey(true);
    ASSERT_EQ(2u, seals.size());
    expectEntry(seals[0], "document", "", false, u8"签章内容丢失 , 验章失败!");
    EXPECT_EQ(1, seals[0].Pictures.getLength());
    expectEntry(seals[1], "field", "contract", false, u8"签章内容丢失 , 验章失败!");
    EXPECT_EQ(drawing::ColorMode_MONO,
              colorMode(Reference<beans::XPropertySet>(stray, UNO_QUERY_THROW)));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(strayField));
}

TEST_F(SealSurveyTest, EmptiedDocumentSignatureLeavesItsPictureAnInvalidSeal)
{
    stampAndSign();
    document.writeMaster("newSignatureType", "");
    const auto seals = survey();
    ASSERT_EQ(2u, seals.size());
    expectEntry(seals[0], "document", "", false, u8"签章内容丢失 , 验章失败!");
    expectEntry(seals[1], "field", "contract", true, u8"域内容未被修改，印章有效！");
}
