// Stamping whole documents with an electronic seal and verifying them, on real documents with
// the project's own seal library.

#include <OfficeFixture.hxx>
#include <common/PicturePaths.hxx>
#include <TestSeal.hxx>

#include <libraries/SealLibraryBinding.hxx>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/drawing/ColorMode.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/WrapTextMode.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <cstdlib>
#include <fstream>
#include <osl/file.hxx>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
const OUString kBody
    = OUString::fromUtf8(u8"关于印发电子印章管理办法的通知\n各部门：现将办法印发给你们。");

class StampDocumentTest : public OfficeTest
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-office",
                             u8"北京市测试办公室");
        return made;
    }

    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        seal().activate();
        document.insertText(0, kBody);
    }

    /// Puts a stamping area at `position`, selects it and stamps.
    bool stampAt(sal_Int32 position)
    {
        document.moveViewCursor(position);
        if (!helper->insertStampArea())
            return false;
        document.select(document.textGraphic("gzqy"));
        return helper->stampDocument();
    }

    std::vector<Reference<beans::XPropertySet>> seals()
    {
        std::vector<Reference<beans::XPropertySet>> found;
        for (const auto& shape : document.drawShapes())
        {
            Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
            if (quillmark::getShapeType(properties) == "Stamper")
                found.push_back(properties);
        }
        return found;
    }

    void selectSeals()
    {
        std::vector<Reference<drawing::XShape>> shapes;
        for (const auto& seal : seals())
            shapes.emplace_back(seal, UNO_QUERY_THROW);
        document.selectShapes(shapes);
    }

    drawing::ColorMode colorMode(const Reference<beans::XPropertySet>& seal)
    {
        drawing::ColorMode mode = drawing::ColorMode_STANDARD;
        seal->getPropertyValue("GraphicColorMode") >>= mode;
        return mode;
    }

    OUString caption(const Reference<beans::XPropertySet>& seal)
    {
        return Reference<text::XText>(seal, UNO_QUERY_THROW)->getString();
    }

    bool hasStampArea()
    {
        return Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
            ->getGraphicObjects()
            ->hasByName("gzqy");
    }

    /// The file the document seal's picture was written to.
    OUString documentSealPicture()
    {
        return quillmark::sealPictureURL(helper->getFilterDirectoryURL(), OUString());
    }
};

/// Pixels of a strong red on the first page of the document's PDF export.
int redPixelsInPdf(const WriterDocument& document, const std::string& pdf)
{
    beans::PropertyValue filter;
    filter.Name = "FilterName";
    filter.Value <<= OUString("writer_pdf_Export");
    Reference<frame::XStorable>(document.model, UNO_QUERY_THROW)
        ->storeToURL(OUString::fromUtf8(fileUrl(pdf).c_str()),
                     uno::Sequence<beans::PropertyValue>(&filter, 1));
    const std::string command = "pdftoppm -r 40 -f 1 -l 1 '" + pdf + "' '" + pdf + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("cannot render " + pdf);
    std::ifstream page(pdf + "-1.ppm", std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int maximum = 0;
    page >> magic >> width >> height >> maximum;
    page.get();
    if (magic != "P6" || maximum != 255 || width <= 0 || height <= 0)
        throw std::runtime_error("not a page picture: " + pdf);
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    page.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    int red = 0;
    for (size_t i = 0; i + 2 < pixels.size(); i += 3)
        red += pixels[i] > 160 && pixels[i + 1] < 90 && pixels[i + 2] < 90;
    return red;
}

bool fileExists(const OUString& url)
{
    osl::DirectoryItem item;
    return osl::DirectoryItem::get(url, item) == osl::FileBase::E_None;
}
}

TEST_F(StampDocumentTest, StampedDocumentVerifiesUnchanged)
{
    ASSERT_TRUE(stampAt(5));
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(document.hasMaster("newSignatureType"));
    EXPECT_FALSE(document.masterContent("newSignatureType").isEmpty());
    EXPECT_EQ(kBody, document.text()) << "stamping leaves the text as it was";
    ASSERT_EQ(1u, seals().size());
    EXPECT_TRUE(fileExists(documentSealPicture()));
    EXPECT_EQ(documentSealPicture(), helper->getPictureURL().Complete);
    // The seal's picture is 160 pixels square in the seal library: 3840 in 1/100 mm.
    EXPECT_EQ(3840, helper->getSealPictureSize().Width);
    EXPECT_EQ(3840, helper->getSealPictureSize().Height);

    selectSeals();
    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_FALSE(helper->isDocumentModified());
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(seals()[0]));
    EXPECT_TRUE(messages().empty()) << "the seal library's verdict shows no box of ours";
}

TEST_F(StampDocumentTest, OneTypedCharacterInvalidatesTheSealUntilItIsRemoved)
{
    ASSERT_TRUE(stampAt(5));
    document.escape();
    document.insertText(12, "x");
    selectSeals();
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
    EXPECT_EQ(OUString::fromUtf8(u8"无效印章"), caption(seals()[0]));

    document.escape();
    document.removeText(12, 1);
    selectSeals();
    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(seals()[0]));
    EXPECT_TRUE(caption(seals()[0]).isEmpty());
}

TEST_F(StampDocumentTest, InvalidSealCaptionIsReadableInPrint)
{
    ASSERT_TRUE(stampAt(5));
    EXPECT_GT(redPixelsInPdf(document, workFile("valid-seal.pdf")), 100) << "the red seal";
    document.escape();
    document.insertText(12, "x");
    selectSeals();
    ASSERT_TRUE(helper->verifyDocument());
    auto seal = seals()[0];
    float weight = 0;
    seal->getPropertyValue("CharWeightAsian") >>= weight;
    EXPECT_GE(weight, 150.0f) << "bold";
    sal_Int32 band = 0;
    seal->getPropertyValue("CharBackColor") >>= band;
    EXPECT_EQ(0xFFFFFF, band);
    // The seal itself is black and white now: any red on the page is its caption.
    EXPECT_GT(redPixelsInPdf(document, workFile("invalid-seal.pdf")), 20);

    document.escape();
    document.removeText(12, 1);
    selectSeals();
    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_TRUE(caption(seals()[0]).isEmpty());
}

TEST_F(StampDocumentTest, StampSurvivesSaveAndReloadInANewWindow)
{
    ASSERT_TRUE(stampAt(5));
    document.saveAndReload(office(), "stamped.odt");
    helper = makeHelper(document.frame);
    ASSERT_EQ(1u, seals().size());
    selectSeals();
    EXPECT_FALSE(helper->verifyDocument());

    document.escape();
    document.insertText(0, " ");
    selectSeals();
    EXPECT_TRUE(helper->verifyDocument());
}

TEST_F(StampDocumentTest, SignatureOfAnotherTextReadsAsChanged)
{
    ASSERT_TRUE(stampAt(5));
    {
        WriterDocument other = WriterDocument::create(office(), "Another text altogether");
        auto otherHelper = makeHelper(other.frame);
        other.moveViewCursor(3);
        ASSERT_TRUE(otherHelper->insertStampArea());
        other.select(other.textGraphic("gzqy"));
        ASSERT_TRUE(otherHelper->stampDocument());
        document.writeMaster("newSignatureType", other.masterContent("newSignatureType"));
    }
    selectSeals();
    EXPECT_TRUE(helper->verifyDocument());
}

TEST_F(StampDocumentTest, EmptyDocumentIsRefusedBeforeSigning)
{
    useDocument(OUString());
    EXPECT_FALSE(helper->stampDocument());
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"提示"), shown[0].title);
    EXPECT_EQ(OUString::fromUtf8(u8"文档不能为空！"), shown[0].text);
    EXPECT_FALSE(document.hasMaster("newSignatureType"));
}

TEST_F(StampDocumentTest, WithoutASelectedStampingAreaNothingIsSignedOrWritten)
{
    osl::File::remove(documentSealPicture());
    const OUString refusal = OUString::fromUtf8(u8"请先选中盖章区域，再盖章！");
    document.selectText(0, 3);
    EXPECT_FALSE(helper->stampDocument());
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"提示"), shown[0].title);
    EXPECT_EQ(refusal, shown[0].text);

    auto shape = document.addGraphicShape(pictureFile("picture.gif"), "picture");
    document.select(shape);
    EXPECT_FALSE(helper->stampDocument()) << "a draw shape is no stamping area";
    document.escape();
    auto photo = document.insertTextGraphic(pictureFile("photo.gif"), "photo", 3);
    document.select(photo);
    EXPECT_FALSE(helper->stampDocument()) << "nor is an ordinary picture";
    shown = messages();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(refusal, shown[1].text);

    EXPECT_FALSE(document.hasMaster("newSignatureType"));
    EXPECT_FALSE(fileExists(documentSealPicture()));
    EXPECT_TRUE(seals().empty());
    EXPECT_TRUE(document.textGraphic("photo").is()) << "the selected picture stays";
    EXPECT_EQ(kBody, document.text());
}

TEST_F(StampDocumentTest, StampingFollowsTheInsertedAreaDirectly)
{
    document.moveViewCursor(5);
    ASSERT_TRUE(helper->insertStampArea());
    Reference<beans::XPropertySet> area = document.textGraphic("gzqy");
    sal_Int32 areaX = 0;
    sal_Int32 areaY = 0;
    area->getPropertyValue("HoriOrientPosition") >>= areaX;
    area->getPropertyValue("VertOrientPosition") >>= areaY;
    EXPECT_TRUE(helper->stampDocument()) << "the new area is the selection";
    ASSERT_EQ(1u, seals().size());
    EXPECT_TRUE(messages().empty());

    // Where the area was, over the text: not in a paragraph, pushing the text aside.
    Reference<drawing::XShape> seal(seals()[0], UNO_QUERY_THROW);
    EXPECT_NEAR(areaX, seal->getPosition().X, 2);
    EXPECT_NEAR(areaY, seal->getPosition().Y, 2);
    text::TextContentAnchorType anchor = text::TextContentAnchorType_AS_CHARACTER;
    seals()[0]->getPropertyValue("AnchorType") >>= anchor;
    EXPECT_EQ(text::TextContentAnchorType_AT_PAGE, anchor);
    text::WrapTextMode wrap = text::WrapTextMode_NONE;
    seals()[0]->getPropertyValue("Surround") >>= wrap;
    EXPECT_EQ(text::WrapTextMode_THROUGH, wrap);
}

TEST_F(StampDocumentTest, UnwritableSealPictureLeavesTheDocumentAsItWas)
{
    // A file where the picture folder should be: no picture can be written.
    const OUString folder = helper->getFilterDirectoryURL();
    OUString path;
    ASSERT_EQ(osl::FileBase::E_None, osl::FileBase::getSystemPathFromFileURL(folder, path));
    std::string folderPath = utf8(path);
    while (!folderPath.empty() && folderPath.back() == '/')
        folderPath.pop_back();
    removeTree(folderPath);
    copyFile(pictureFile("blocker.gif"), folderPath);

    document.moveViewCursor(5);
    ASSERT_TRUE(helper->insertStampArea());
    EXPECT_FALSE(helper->stampDocument());
    removeTree(folderPath);
    auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"获取证书签章图片失败!"), shown[0].text);
    EXPECT_FALSE(document.hasMaster("newSignatureType")) << "no signature without its seal";
    EXPECT_TRUE(seals().empty());
    EXPECT_TRUE(hasStampArea()) << "the stamping area stays";
    EXPECT_EQ(1, helper->getSelectedStampType());

    ASSERT_TRUE(helper->stampDocument()) << "once the folder can be written, stamping goes on";
    EXPECT_FALSE(hasStampArea());
}

TEST_F(StampDocumentTest, FailedSigningRemovesOnlyTheCurrentSealsOwnFields)
{
    // Writer finds masters whatever the case of the name; "ABC" is another seal than "abc".
    document.writeMaster("ABCSign", "another seal's signature");
    document.writeMaster("abcCert", "this seal's certificate");
    helper->removeUserField("abcSign");
    helper->removeUserField("abcCert");
    EXPECT_TRUE(document.hasMaster("ABCSign"));
    EXPECT_EQ(OUString("another seal's signature"), document.masterContent("ABCSign"));
    EXPECT_FALSE(document.hasMaster("abcCert"));
}

TEST_F(StampDocumentTest, StampingTwiceGivesTwoSealsAndANewAreaCanFollow)
{
    ASSERT_TRUE(stampAt(5));
    document.escape();
    ASSERT_TRUE(stampAt(30));
    EXPECT_EQ(2u, seals().size());
    document.escape();
    document.moveViewCursor(10);
    EXPECT_TRUE(helper->insertStampArea()) << "the last area was replaced by the seal";
}

TEST_F(StampDocumentTest, SealWithoutKeyFailsSilently)
{
    deactivateSeals();
    document.moveViewCursor(5);
    ASSERT_TRUE(helper->insertStampArea());
    document.select(document.textGraphic("gzqy"));
    EXPECT_FALSE(helper->stampDocument());
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(document.hasMaster("newSignatureType"));
}

TEST_F(StampDocumentTest, InnerBindingEndingUnloadsForTheOuterOne)
{
    quillmark::SealLibraryBinding outer;
    ASSERT_TRUE(quillmark::SealLibraryBinding::loaded());
    {
        quillmark::SealLibraryBinding inner;
    }
    EXPECT_FALSE(quillmark::SealLibraryBinding::loaded());
    const char text[] = "text";
    std::vector<char> area(KTXESEAL_AREA_SIZE, 0);
    int length = 0;
    EXPECT_EQ(0, outer.SignESeal(text, 4, area.data(), &length));
    EXPECT_EQ(0, area[0]);
}

TEST_F(StampDocumentTest, RemovalWithTheSealsOwnRightDeletesTheSelectedSeal)
{
    ASSERT_TRUE(stampAt(5));
    selectSeals();
    EXPECT_TRUE(helper->removeDocumentStamp());
    EXPECT_TRUE(helper->isDocumentModified());
    EXPECT_TRUE(seals().empty());
    EXPECT_TRUE(document.hasMaster("newSignatureType")) << "the signature stays";
    EXPECT_TRUE(messages().empty());
}

TEST_F(StampDocumentTest, RemovalByAnotherSealIsRefusedAndClearsTheFlag)
{
    ASSERT_TRUE(stampAt(5));
    const int boxesOfTheStamp = testContext->certInfoBox->created;
    TestSeal other(office().workDirectory() + "/seal-other", u8"另一个单位");
    other.activate();
    helper->setDocumentModified(true);
    selectSeals();
    EXPECT_FALSE(helper->removeDocumentStamp());
    EXPECT_FALSE(helper->isDocumentModified());
    EXPECT_EQ(1u, seals().size());
    EXPECT_EQ(boxesOfTheStamp, testContext->certInfoBox->created) << "no PIN is asked for";
}

TEST_F(StampDocumentTest, RemovalWithPlainTextSelectedAsksForThePin)
{
    ASSERT_TRUE(stampAt(5));
    testContext->certInfoBox->calls.clear();
    document.selectText(0, 2);
    testContext->certInfoBox->pinAccepted = false;
    EXPECT_FALSE(helper->removeDocumentStamp());
    EXPECT_EQ((std::vector<std::string>{ "initialize", "executePinDialog" }),
              testContext->certInfoBox->calls);
    EXPECT_EQ(1u, seals().size());
    EXPECT_TRUE(messages().empty());
}

TEST_F(StampDocumentTest, SealLibraryCertificateDisplayIgnoresTheMessage)
{
    ASSERT_TRUE(stampAt(5));
    const int boxesOfTheStamp = testContext->certInfoBox->created;
    selectSeals();
    EXPECT_TRUE(helper->showCertificateInfo("ignored"));
    EXPECT_EQ(boxesOfTheStamp, testContext->certInfoBox->created);
    EXPECT_TRUE(messages().empty());
    document.escape();
    document.insertText(0, "x");
    selectSeals();
    EXPECT_FALSE(helper->showCertificateInfo("ignored"));
}

TEST_F(StampDocumentTest, TextThatGbkCannotCarryIsRefusedAndNothingIsWritten)
{
    const OUString emoji = OUString::fromUtf8(u8"😀");
    document.insertText(3, emoji);
    EXPECT_FALSE(stampAt(5));
    const auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(utf8(OUString::fromUtf8(u8"提示")), utf8(shown[0].title));
    EXPECT_EQ(utf8(OUString::fromUtf8(u8"文档含有 GBK 编码无法表示的字符“") + emoji
                   + OUString::fromUtf8(u8"”，盖章会丢失它。请删除或替换该字符后再盖章！")),
              utf8(shown[0].text));
    EXPECT_FALSE(document.hasMaster("newSignatureType"));
    EXPECT_TRUE(seals().empty());
    EXPECT_TRUE(document.textGraphic("gzqy").is()) << "the stamping area stays for a later stamp";
}

TEST_F(StampDocumentTest, QuestionMarkSwappedForACharacterGbkLacksReadsAsChanged)
{
    // GBK would turn the emoji into the "?" that was signed: the swap must not go unnoticed.
    document.insertText(3, "?");
    ASSERT_TRUE(stampAt(6));
    selectSeals();
    ASSERT_FALSE(helper->verifyDocument());

    document.escape();
    document.removeText(3, 1);
    document.insertText(3, OUString::fromUtf8(u8"😀"));
    selectSeals();
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(seals()[0]));
}
