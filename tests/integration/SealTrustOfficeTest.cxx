// On real documents, a seal-library seal reads valid only when a trusted authority issued it.

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <format/ShapeAttributes.hxx>
#include <com/sun/star/drawing/ColorMode.hpp>

#include <cstring>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
const OUString kBody = OUString::fromUtf8(u8"关于启用新版电子印章的通知\n请各单位遵照执行。");
constexpr char kOrganisation[] = u8"北京市测试办公室";

class SealTrustOfficeTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        document.insertText(0, kBody);
    }

    /// Stamps the document with a seal from the issuer, then selects that seal.
    void stampWith(SealIssuer issuer, const char* folder)
    {
        TestSeal seal(office().workDirectory() + "/" + folder, kOrganisation, issuer);
        seal.activate();
        document.moveViewCursor(3);
        ASSERT_TRUE(helper->insertStampArea());
        document.select(document.textGraphic("gzqy"));
        ASSERT_TRUE(helper->stampDocument()) << "every seal signs, trusted or not";
        std::vector<Reference<drawing::XShape>> shapes;
        for (const auto& shape : document.drawShapes())
        {
            Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
            if (quillmark::getShapeType(properties) == "Stamper")
                shapes.emplace_back(shape);
        }
        ASSERT_EQ(1u, shapes.size());
        sealShape.set(shapes[0], UNO_QUERY_THROW);
        document.selectShapes(shapes);
    }

    drawing::ColorMode colorMode()
    {
        drawing::ColorMode mode = drawing::ColorMode_STANDARD;
        sealShape->getPropertyValue("GraphicColorMode") >>= mode;
        return mode;
    }

    Reference<beans::XPropertySet> sealShape;
};
}

TEST_F(SealTrustOfficeTest, SealOfTheTrustedAuthorityVerifies)
{
    stampWith(SealIssuer::TrustedAuthority, "trusted-seal");
    EXPECT_FALSE(helper->verifyDocument());
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode());
}

TEST_F(SealTrustOfficeTest, SealOfAnUntrustedAuthorityReadsInvalid)
{
    stampWith(SealIssuer::UntrustedAuthority, "untrusted-seal");
    EXPECT_TRUE(helper->verifyDocument()) << "the document reads as not valid";
    EXPECT_TRUE(helper->isDocumentModified());
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode());

    // The text is the one signed: the reason a person reads must be the authority, not a change.
    const auto seals = helper->surveySeals(false);
    ASSERT_EQ(1, seals.getLength());
    EXPECT_FALSE(seals[0].Valid);
    EXPECT_EQ(u8"印章无效：印章不是由受信任的制章机构颁发", seals[0].Reason.toUtf8());

    document.insertText(0, "x");
    const auto changed = helper->surveySeals(false);
    ASSERT_EQ(1, changed.getLength());
    EXPECT_EQ(u8"印章无效：印章不是由受信任的制章机构颁发", changed[0].Reason.toUtf8())
        << "a seal no authority vouches for is refused before its text is compared";
}

TEST_F(SealTrustOfficeTest, SelfMadeSealReadsInvalid)
{
    stampWith(SealIssuer::SelfMade, "self-made-seal");
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode());
}

namespace
{
OUString detailValue(const SealDetailsBoxLog& box, const char* caption)
{
    for (const auto& item : box.details)
    {
        if (item.First == OUString::fromUtf8(caption))
            return item.Second;
    }
    return "(missing)";
}
}

TEST_F(SealTrustOfficeTest, SealDetailsAreTheSealLibrarysWindowInTheSuitesBox)
{
    stampWith(SealIssuer::TrustedAuthority, "details-seal");
    const int boxesOfTheStamp = testContext->certInfoBox->created;
    EXPECT_TRUE(helper->showCertificateInfo("ignored"));
    const SealDetailsBoxLog& box = *testContext->sealDetailsBox;
    EXPECT_EQ(1, box.created);
    EXPECT_EQ((std::vector<std::string>{ "initialize", "setTitle", "setPicture", "setDetails",
                                         "setVerdict", "execute" }),
              box.calls);
    EXPECT_EQ(document.frame, box.initializedFrame);
    EXPECT_EQ(OUString::fromUtf8(u8"电子印章信息"), box.title);
    ASSERT_GT(box.picture.getLength(), 6);
    EXPECT_EQ(0, std::memcmp(box.picture.getConstArray(), "GIF89a", 6));
    EXPECT_EQ(6, box.details.getLength());
    EXPECT_EQ(OUString::fromUtf8(kOrganisation), detailValue(box, u8"印章单位"));
    EXPECT_EQ(OUString::fromUtf8(kOrganisation), detailValue(box, u8"签章人"));
    EXPECT_EQ(OUString::fromUtf8(u8"测试电子印章制作中心"), detailValue(box, u8"颁发机构"));
    EXPECT_EQ(16, detailValue(box, u8"印章编码").getLength());
    EXPECT_TRUE(box.valid);
    // The whole seal's verdict: the library vouches for the text, the coverage for the rest.
    EXPECT_EQ(OUString::fromUtf8(u8"文档未被修改，印章有效！"), box.verdict);
    EXPECT_EQ(boxesOfTheStamp, testContext->certInfoBox->created)
        << "no certificate box for a document seal";
    EXPECT_TRUE(messages().empty());
}

TEST_F(SealTrustOfficeTest, SealDetailsGiveTheReasonASealIsInvalid)
{
    stampWith(SealIssuer::UntrustedAuthority, "details-untrusted-seal");
    EXPECT_FALSE(helper->showCertificateInfo("ignored"));
    EXPECT_FALSE(testContext->sealDetailsBox->valid);
    EXPECT_EQ(OUString::fromUtf8(u8"印章无效：印章不是由受信任的制章机构颁发"),
              testContext->sealDetailsBox->verdict);
}

TEST_F(SealTrustOfficeTest, SealDetailsSayWhenTheTextChanged)
{
    stampWith(SealIssuer::TrustedAuthority, "details-changed-seal");
    document.escape();
    document.insertText(0, "x");
    std::vector<Reference<drawing::XShape>> shapes{ Reference<drawing::XShape>(sealShape,
                                                                               UNO_QUERY_THROW) };
    document.selectShapes(shapes);
    EXPECT_FALSE(helper->showCertificateInfo("ignored"));
    EXPECT_EQ(OUString::fromUtf8(u8"文档已被修改，印章无效！（已修改：正文）"),
              testContext->sealDetailsBox->verdict);
    EXPECT_FALSE(testContext->sealDetailsBox->valid);
}

TEST_F(SealTrustOfficeTest, SealDetailsWithoutTheSuitesBoxStillAnswer)
{
    stampWith(SealIssuer::TrustedAuthority, "details-no-box-seal");
    testContext->removeService("Quillmark.UITools.SealDetailsBox");
    EXPECT_TRUE(helper->showCertificateInfo("ignored"));
    EXPECT_TRUE(messages().empty());
}
