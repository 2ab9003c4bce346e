// On real documents: the seal's PIN is asked in the suite's PIN box once for each stamp or
// removal, a wrong one is told as a failed login and changes nothing, and every stamp and removal
// goes into the seal's stamping register with the document it was for.

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <SealSignature.hxx>
#include <format/ShapeAttributes.hxx>
#include <StampRegister.hxx>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <osl/file.hxx>

#include <nlohmann/json.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
const OUString kBody = OUString::fromUtf8(u8"关于加强印章管理的通知\n请各单位登记用印。");
const std::vector<std::string> kOnePinAsked{ "initialize", "executePinDialog", "getPin" };

class SealCustodyOfficeTest : public OfficeTest
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-custody",
                             u8"北京市用印登记测试单位");
        return made;
    }

    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        seal().activate();
        document.insertText(0, kBody);
    }

    bool stamp()
    {
        document.moveViewCursor(3);
        if (!helper->insertStampArea())
            return false;
        document.select(document.textGraphic("gzqy"));
        return helper->stampDocument();
    }

    void selectSeals()
    {
        std::vector<Reference<drawing::XShape>> shapes;
        for (const auto& shape : document.drawShapes())
            if (quillmark::getShapeType(Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW))
                == "Stamper")
                shapes.push_back(shape);
        document.selectShapes(shapes);
    }

    static std::vector<nlohmann::json> registerEntries()
    {
        std::vector<nlohmann::json> entries;
        for (const std::string& line :
             ktxeseal::registerLines(seal().directory()).value_or(std::vector<std::string>()))
            entries.push_back(nlohmann::json::parse(line));
        return entries;
    }

    /// The digest the register must show for the stored document signature.
    std::string signedDigest()
    {
        return digestOf(OUStringToOString(document.masterContent("newSignatureType"),
                                          RTL_TEXTENCODING_ASCII_US));
    }

    /// The same for the signature of the stored coverage, its last line.
    std::string coverageDigest()
    {
        const rtl::OString coverage = OUStringToOString(
            document.masterContent("newSignatureTypeCoverage"), RTL_TEXTENCODING_ASCII_US);
        const sal_Int32 line = coverage.lastIndexOf("\nsignature ");
        if (line < 0)
            return "(no coverage)";
        const rtl::OString signature = coverage.copy(line + 11).trim();
        return digestOf(signature);
    }

    static std::string digestOf(const rtl::OString& signature)
    {
        const auto content = ktxeseal::openSealSignature(
            std::string_view(signature.getStr(), static_cast<size_t>(signature.getLength())));
        return content ? ktxeseal::sm3Text(content->dataHash) : std::string("(unreadable)");
    }

    CertInfoBoxScript& box() { return *testContext->certInfoBox; }
};
}

TEST_F(SealCustodyOfficeTest, StampAsksForThePinOnceAndGoesOnRecordWithItsDocument)
{
    const size_t before = registerEntries().size();
    ASSERT_TRUE(stamp());
    EXPECT_EQ(kOnePinAsked, box().calls) << "one PIN box for the stamp";
    EXPECT_EQ(document.frame, box().initializedFrame);
    EXPECT_EQ(OUString::fromUtf8(u8"北京市用印登记测试单位"), box().pinOfSeal.value_or("(none)"))
        << "the box names the seal whose PIN it asks for";
    EXPECT_TRUE(messages().empty());

    // One entry for each signature: the text's, then the coverage's.
    const std::vector<nlohmann::json> entries = registerEntries();
    ASSERT_EQ(before + 2, entries.size());
    const nlohmann::json& entry = entries[entries.size() - 2];
    EXPECT_EQ("stamp-document", entry["operation"]);
    EXPECT_EQ(utf8(Reference<frame::XTitle>(document.model, UNO_QUERY_THROW)->getTitle()),
              entry["title"]);
    EXPECT_EQ("", entry["file"]) << "the document was never saved";
    EXPECT_EQ(signedDigest(), entry["digest"]);
    EXPECT_EQ(u8"北京市用印登记测试单位", entry["organisation"]);
    const nlohmann::json& coverage = entries.back();
    EXPECT_EQ("cover-document", coverage["operation"]);
    EXPECT_EQ(entry["title"], coverage["title"]);
    EXPECT_EQ(coverageDigest(), coverage["digest"]);
    EXPECT_TRUE(ktxeseal::checkRegister(seal().directory()).intact);
}

TEST_F(SealCustodyOfficeTest, WrongPinIsAFailedLoginAndStampsNothing)
{
    const size_t before = registerEntries().size();
    box().pin = "00000000";
    EXPECT_FALSE(stamp());
    const std::vector<ShownMessage> shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"提示"), shown[0].title);
    EXPECT_EQ(OUString::fromUtf8(u8"登录失败！160"), shown[0].text);
    EXPECT_FALSE(document.hasMaster("newSignatureType"));
    EXPECT_TRUE(document.textGraphic("gzqy").is()) << "the stamping area stays";
    EXPECT_EQ(before, registerEntries().size());
}

TEST_F(SealCustodyOfficeTest, CancelledPinBoxStampsNothingAndSaysNothing)
{
    box().pinAccepted = false;
    EXPECT_FALSE(stamp());
    EXPECT_EQ((std::vector<std::string>{ "initialize", "executePinDialog" }), box().calls);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(document.hasMaster("newSignatureType"));
    EXPECT_TRUE(document.textGraphic("gzqy").is());
}

TEST_F(SealCustodyOfficeTest, RemovalAsksForTheSealsPinAndGoesOnRecord)
{
    ASSERT_TRUE(stamp());
    const std::string digest = signedDigest();
    box().calls.clear();
    selectSeals();
    ASSERT_TRUE(helper->removeDocumentStamp());
    EXPECT_EQ(kOnePinAsked, box().calls);
    const nlohmann::json entry = registerEntries().back();
    EXPECT_EQ("remove-document-seal", entry["operation"]);
    EXPECT_EQ(digest, entry["digest"]) << "the removed seal's signed text";

    // A wrong PIN keeps the seal: the holder alone may remove it.
    ASSERT_TRUE(stamp());
    box().pin = "00000000";
    selectSeals();
    EXPECT_FALSE(helper->removeDocumentStamp());
    EXPECT_FALSE(document.drawShapes().empty());
    const std::vector<ShownMessage> shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"登录失败！160"), shown[0].text);
}

TEST_F(SealCustodyOfficeTest, SavedDocumentIsRecordedByItsFile)
{
    const std::string path = workFile("custody-notice.odt");
    OUString url;
    ASSERT_EQ(osl::FileBase::E_None,
              osl::FileBase::getFileURLFromSystemPath(OUString::fromUtf8(path.c_str()), url));
    Reference<frame::XStorable>(document.model, UNO_QUERY_THROW)
        ->storeAsURL(url, css::uno::Sequence<beans::PropertyValue>());
    ASSERT_TRUE(stamp());
    EXPECT_EQ(path, registerEntries().back()["file"]);
}
