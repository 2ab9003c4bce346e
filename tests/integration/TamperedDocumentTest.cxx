// Documents altered as an attacker would alter them: every alteration verifies as invalid or
// with the message for what is missing, nothing ends the office, and no picture file lands
// outside the picture folder.

#include "FieldSealFixture.hxx"

#include <common/PicturePaths.hxx>
#include <format/ShapeAttributes.hxx>
#include <rtl/ustrbuf.hxx>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>

#include <filesystem>
#include <set>
#include <stdexcept>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
const std::string kValidVerdict = u8"文档未被修改，印章有效！";

/// A signature text as an attacker would change it, by name.
struct Alteration
{
    const char* name;
    OUString text;
};

/// The stored signature altered in every way the attacker has: cut, doubled, grown to 1 MB,
/// broken by a NUL, not Base64 at all, emptied, or taken from another document.
std::vector<Alteration> alteredSignatures(const OUString& signature, const OUString& foreign)
{
    rtl::OUStringBuffer huge(1 << 20);
    while (huge.getLength() < (1 << 20))
        huge.append(signature);
    rtl::OUStringBuffer withNul(signature.copy(0, signature.getLength() / 2));
    withNul.append(sal_Unicode(0));
    withNul.append(signature.copy(signature.getLength() / 2));
    return { { "truncated", signature.copy(0, signature.getLength() / 2) },
             { "one character short", signature.copy(0, signature.getLength() - 1) },
             { "doubled", signature + signature },
             { "1 MB long", huge.makeStringAndClear() },
             { "holding a NUL", withNul.makeStringAndClear() },
             { "not Base64", OUString::fromUtf8(u8"这不是签名 <>&\"'%s%n") },
             { "empty", OUString() },
             { "from another document", foreign } };
}

class TamperedDocumentTest : public FieldSealTest
{
protected:
    void SetUp() override
    {
        FieldSealTest::SetUp();
        installStampAreaPicture();
        picturesBefore = picturesOutsideTheFolder();
    }

    void TearDown() override
    {
        EXPECT_EQ(picturesBefore, picturesOutsideTheFolder())
            << "a seal picture was written outside the picture folder";
        // The office is still there and answers.
        EXPECT_NO_THROW(document.text());
        FieldSealTest::TearDown();
    }

    /// Signs the field "contract", then stamps the whole document.
    void signAndStamp()
    {
        ASSERT_TRUE(helper->signField("contract"));
        document.escape();
        document.moveViewCursor(1);
        ASSERT_TRUE(helper->insertStampArea());
        document.select(document.textGraphic("gzqy"));
        ASSERT_TRUE(helper->stampDocument());
        messages();
    }

    void selectDocumentSeals()
    {
        std::vector<Reference<drawing::XShape>> seals;
        for (const auto& shape : document.drawShapes())
            if (quillmark::getShapeType(Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW))
                == "Stamper")
                seals.push_back(shape);
        document.selectShapes(seals);
    }

    /// The document seal's verdict; any message shown must not call the seal valid.
    bool documentVerifiesInvalid(const char* what)
    {
        selectDocumentSeals();
        const bool invalid = helper->verifyDocument();
        for (const auto& [title, text] : shownTexts())
            EXPECT_NE(kValidVerdict, text) << what;
        document.escape();
        return invalid;
    }

    /// A signature the seal library made for another text in another document.
    OUString foreignSignature()
    {
        WriterDocument other = WriterDocument::create(office(), "another text");
        auto otherHelper = makeHelper(other.frame);
        other.insertAnnotation(7, "contract__@*End@");
        other.insertAnnotation(0, "contract__@*Start@");
        if (!otherHelper->signField("contract"))
            throw std::runtime_error("the other document was not signed");
        return otherHelper->getFieldSignature("contract");
    }

    static void setAuthor(const Reference<text::XTextContent>& marker, const OUString& author)
    {
        Reference<beans::XPropertySet>(marker, UNO_QUERY_THROW)
            ->setPropertyValue("Author", Any(author));
    }

    /// Seal pictures ("…ktx.gif") in the office's work folder and in the temporary folder, the
    /// picture folder excepted.
    std::set<std::string> picturesOutsideTheFolder()
    {
        OUString folderPath;
        osl::FileBase::getSystemPathFromFileURL(helper->getFilterDirectoryURL(), folderPath);
        const std::filesystem::path folder = std::filesystem::weakly_canonical(utf8(folderPath));
        std::set<std::string> found;
        const auto look = [&](const std::filesystem::path& root, bool recursive) {
            std::error_code error;
            const auto note = [&](const std::filesystem::directory_entry& entry) {
                const std::string name = entry.path().filename().string();
                if (name.size() >= 7 && name.compare(name.size() - 7, 7, "ktx.gif") == 0
                    && entry.path().parent_path() != folder)
                    found.insert(entry.path().string());
            };
            if (recursive)
                for (const auto& entry : std::filesystem::recursive_directory_iterator(
                         root, std::filesystem::directory_options::skip_permission_denied, error))
                    note(entry);
            else
                for (const auto& entry : std::filesystem::directory_iterator(root, error))
                    note(entry);
        };
        look(office().workDirectory(), true);
        look(std::filesystem::temp_directory_path(), false);
        look(folder.parent_path(), false);
        return found;
    }

    std::set<std::string> picturesBefore;
};
}

TEST_F(TamperedDocumentTest, DocumentSealRefusesEveryAlteredSignatureAndChangedText)
{
    signAndStamp();
    const OUString signature = document.masterContent("newSignatureType");
    ASSERT_FALSE(documentVerifiesInvalid("as stamped")) << "the untouched document is valid";

    for (const Alteration& alteration : alteredSignatures(signature, foreignSignature()))
    {
        document.writeMaster("newSignatureType", alteration.text);
        EXPECT_TRUE(documentVerifiesInvalid(alteration.name)) << alteration.name;
    }
    document.writeMaster("newSignatureType", signature);
    EXPECT_FALSE(documentVerifiesInvalid("restored"));

    document.insertText(kAfterRegion + 2, OUString::fromUtf8(u8"改"));
    EXPECT_TRUE(documentVerifiesInvalid("one character more"));
    document.removeText(kAfterRegion + 2, 1);
    document.removeText(1, 1);
    document.insertText(1, OUString::fromUtf8(u8"语"));
    EXPECT_TRUE(documentVerifiesInvalid("one character changed"));
}

TEST_F(TamperedDocumentTest, FieldSealRefusesEveryAlteredSignatureAndChangedText)
{
    ASSERT_TRUE(helper->signField("contract"));
    const OUString signature = helper->getFieldSignature("contract");
    ASSERT_TRUE(helper->verifyField("contract"));

    for (const Alteration& alteration : alteredSignatures(signature, foreignSignature()))
    {
        setAuthor(contract.start, alteration.text);
        EXPECT_FALSE(helper->verifyField("contract")) << alteration.name;
        selectFieldSeal("contract");
        EXPECT_FALSE(helper->verifySelectedField()) << alteration.name;
        // Refused removal leaves seal and signature as they were.
        document.escape();
    }
    messages();
    setAuthor(contract.start, signature);
    ASSERT_TRUE(helper->verifyField("contract"));

    document.removeText(kInsideRegion, 1);
    document.insertText(kInsideRegion, "x");
    EXPECT_FALSE(helper->verifyField("contract"));
    EXPECT_TRUE(shownTexts().empty());
}

TEST_F(TamperedDocumentTest, DuplicatedOrMissingMarkersNeverVerify)
{
    ASSERT_TRUE(helper->signField("contract"));
    const OUString signature = helper->getFieldSignature("contract");

    // A copy of the signed start marker before other text claims that text as signed.
    auto copiedStart = document.insertAnnotation(0, "contract__@*Start@", signature);
    EXPECT_FALSE(helper->verifyField("contract"));
    copiedStart->getAnchor()->getText()->removeTextContent(copiedStart);
    ASSERT_TRUE(helper->verifyField("contract"));

    // Second markers of the name, with or without a signature, do not hide a changed text.
    auto secondEnd = document.insertAnnotation(kInsideRegion + 2, "contract__@*End@");
    auto secondStart
        = document.insertAnnotation(kAfterRegion + 1, "contract__@*Start@", "not a signature");
    document.insertText(kInsideRegion, "x");
    EXPECT_FALSE(helper->verifyField("contract"));
    document.removeText(kInsideRegion, 1);
    secondEnd->getAnchor()->getText()->removeTextContent(secondEnd);
    secondStart->getAnchor()->getText()->removeTextContent(secondStart);
    ASSERT_TRUE(helper->verifyField("contract"));
    messages();

    contract.end->getAnchor()->getText()->removeTextContent(contract.end);
    EXPECT_FALSE(helper->verifyField("contract")) << "no end, no signed text";
    contract.start->getAnchor()->getText()->removeTextContent(contract.start);
    EXPECT_FALSE(helper->verifyField("contract"));
    EXPECT_EQ((Shown{ { u8"提示", u8"此域未被签署！请检测域名称是否正确" } }), shownTexts());
    selectFieldSeal("contract");
    EXPECT_FALSE(helper->verifySelectedField());
    EXPECT_FALSE(helper->removeSelectedFieldStamp());
    EXPECT_TRUE(hasFieldSeal("contract")) << "a seal without signature is not removed unchecked";
}

TEST_F(TamperedDocumentTest, CopyOfTheSignedRegionNeverVouchesForTheChangedOriginal)
{
    ASSERT_TRUE(helper->signField("contract"));
    const OUString signature = helper->getFieldSignature("contract");
    const OUString signedText = OUString::fromUtf8(u8"甲方同意按合同付款。");
    const auto fieldVerdicts = [&] {
        std::vector<std::pair<bool, std::string>> verdicts;
        for (const auto& entry : helper->surveySeals(false))
            if (entry.Kind == "field")
                verdicts.emplace_back(entry.Valid, utf8(entry.Reason));
        return verdicts;
    };

    // The signed region, markers and all, copied before the original and after it; then the
    // original beside the seal is changed. Whichever copy the office lists first, none vouches.
    for (const bool before : { true, false })
    {
        // The body and its two markers end at kAfterRegion + 2.
        const sal_Int32 at = before ? 0 : kAfterRegion + 2;
        document.insertText(at, signedText);
        auto end = document.insertAnnotation(at + signedText.getLength(), "contract__@*End@");
        auto start = document.insertAnnotation(at, "contract__@*Start@", signature);
        const sal_Int32 original = kInsideRegion + (before ? signedText.getLength() + 2 : 0);
        document.removeText(original, 1);
        document.insertText(original, OUString::fromUtf8(u8"乙"));

        EXPECT_FALSE(helper->verifyField("contract")) << (before ? "before" : "after");
        const auto verdicts = fieldVerdicts();
        ASSERT_EQ(1u, verdicts.size());
        EXPECT_FALSE(verdicts[0].first) << (before ? "before" : "after");
        EXPECT_EQ(u8"域标记重复，无法确定签署的内容，印章无效！", verdicts[0].second);

        // Without the copy the changed original reads changed; restored, it reads valid again.
        start->getAnchor()->getText()->removeTextContent(start);
        end->getAnchor()->getText()->removeTextContent(end);
        document.removeText(at, signedText.getLength());
        EXPECT_FALSE(helper->verifyField("contract"));
        document.removeText(kInsideRegion, 1);
        document.insertText(kInsideRegion, OUString::fromUtf8(u8"同"));
        EXPECT_TRUE(helper->verifyField("contract")) << utf8(document.text());
    }
    messages();
}

TEST_F(TamperedDocumentTest, SealMarksOnAnOrdinaryPictureProveNothing)
{
    // A picture dressed as a document seal in a document nobody signed.
    auto fake = document.addGraphicShape(pictureFile("fake-seal.gif", 160, 160), "Stamper");
    setUserAttribute(fake, "ShapeType", "Stamper");
    setUserAttribute(fake, "StamperName", OUString::fromUtf8(u8"测试合同专用章"));
    document.selectShapes({ fake });
    EXPECT_EQ(0, helper->getSelectedStampType());
    const bool invalid = helper->verifyDocument();
    const Shown shown = shownTexts();
    // Either the verdict is invalid, or the certificate check says why it could not judge.
    EXPECT_TRUE(invalid || !shown.empty());
    for (const auto& [title, text] : shown)
        EXPECT_NE(kValidVerdict, text);
    document.escape();

    // A picture dressed as the seal of a field nobody signed.
    auto picture = document.insertTextGraphic(pictureFile("fake-field.gif"), "contract");
    setUserAttribute(picture, "ShapeType", "FieldStamper");
    select(picture);
    EXPECT_EQ(2, helper->getSelectedStampType());
    EXPECT_FALSE(helper->verifySelectedField());
    EXPECT_FALSE(helper->removeSelectedFieldStamp());
    EXPECT_EQ((Shown{ { u8"提示", u8"此域未被签署！请检测域名称是否正确" },
                      { u8"提示", u8"此域未被签署！请检测域名称是否正确" } }),
              shownTexts());
    EXPECT_TRUE(hasFieldSeal("contract"));
}

TEST_F(TamperedDocumentTest, NamesWithPathSeparatorsKeepPicturesInTheirFolder)
{
    const char* names[] = { "../../escaped",    "..\\..\\escaped",     "/tmp/escaped", "a/../../b",
                            "%2e%2e%2fescaped", "file:///tmp/escaped", "C:\\escaped" };
    document.insertText(kAfterRegion,
                        OUString::fromUtf8(u8"附件一附件二附件三附件四附件五附件六附件七"));
    sal_Int32 position = kAfterRegion;
    for (const char* name : names)
    {
        const OUString field = OUString::createFromAscii(name);
        markField(field, position, position + 1);
        position += 3;
        EXPECT_TRUE(helper->signField(field)) << name;
        EXPECT_TRUE(helper->getFieldPictureURL().startsWith(helper->getFilterDirectoryURL()))
            << utf8(helper->getFieldPictureURL());
        EXPECT_TRUE(helper->verifyField(field)) << name;
        document.escape();
    }
    EXPECT_TRUE(shownTexts().empty());

    // A seal name from the document names the picture the certificate box reads.
    signAndStamp();
    for (const auto& shape : document.drawShapes())
        setUserAttribute(shape, "StamperName", "../../../etc/escaped");
    helper->setContainerName(OUString());
    selectDocumentSeals();
    helper->showCertificateInfo("message");
    const OUString shownPicture = testContext->certInfoBox->pictureURL.Complete;
    EXPECT_TRUE(shownPicture.isEmpty() || shownPicture.startsWith(helper->getFilterDirectoryURL()))
        << utf8(shownPicture);
    EXPECT_EQ(-1, shownPicture.indexOf("/..", helper->getFilterDirectoryURL().getLength()))
        << utf8(shownPicture);
}
