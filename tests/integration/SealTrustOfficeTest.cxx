// On real documents, a seal-library seal reads valid only when a trusted authority issued it.

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <ShapeAttributes.hxx>
#include <com/sun/star/drawing/ColorMode.hpp>

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
    EXPECT_TRUE(helper->documentModified);
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode());
}

TEST_F(SealTrustOfficeTest, SelfMadeSealReadsInvalid)
{
    stampWith(SealIssuer::SelfMade, "self-made-seal");
    EXPECT_TRUE(helper->verifyDocument());
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode());
}
