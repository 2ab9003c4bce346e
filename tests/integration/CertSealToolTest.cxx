// quillmark-cert-seal as an administrator runs it: its seal signs the document's text and, beside
// it on the token, everything else the reader sees.

#include <OfficeFixture.hxx>
#include <TestToken.hxx>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>

#include <cstdlib>
#include <fstream>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
OUString ou(const char* text) { return OUString::fromUtf8(text); }

class CertSealToolTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        OfficeTest::SetUp();
        qorvtest::testToken();
    }
};
}

TEST_F(CertSealToolTest, ItsSealVouchesForEverythingTheReaderSees)
{
    document.insertText(0, ou(u8"经研究，同意拨付项目资金壹拾万元整。"));
    Reference<beans::XPropertySet> standard(
        Reference<container::XNameAccess>(
            Reference<style::XStyleFamiliesSupplier>(document.model, UNO_QUERY_THROW)
                ->getStyleFamilies()
                ->getByName("PageStyles"),
            UNO_QUERY_THROW)
            ->getByName("Standard"),
        UNO_QUERY_THROW);
    standard->setPropertyValue("HeaderIsOn", uno::Any(true));
    Reference<text::XText>(standard->getPropertyValue("HeaderText"), UNO_QUERY_THROW)
        ->setString(ou(u8"某某市财政局"));
    const std::string source = document.saveAs(office(), "tool-source.odt");
    const std::string sealed = workFile("tool-sealed.odt");
    const std::string pinFile = workFile("tool-pin");
    std::ofstream(pinFile) << qorvtest::kPinUtf8 << "\n";
    ASSERT_EQ(0, std::system(("'" QUILLMARK_CERT_SEAL "' --pin-fd 3 --output '" + sealed + "' '"
                              + source + "' 3000 3000 1 3<'" + pinFile + "' >/dev/null")
                                 .c_str()));

    document = WriterDocument::load(office(), sealed);
    helper = makeHelper(document.frame);
    auto survey = [&] { return helper->surveySeals(false); };
    const auto stamped = survey();
    ASSERT_EQ(1, stamped.getLength());
    EXPECT_TRUE(stamped[0].Valid) << utf8(stamped[0].Reason);
    EXPECT_EQ(ou("document"), stamped[0].Scope);
    EXPECT_EQ(u8"文档未被修改，印章有效！", utf8(stamped[0].Reason));

    // The header is no part of the body text, which alone the "Sign" field covers.
    Reference<beans::XPropertySet> reloadedStandard(
        Reference<container::XNameAccess>(
            Reference<style::XStyleFamiliesSupplier>(document.model, UNO_QUERY_THROW)
                ->getStyleFamilies()
                ->getByName("PageStyles"),
            UNO_QUERY_THROW)
            ->getByName("Standard"),
        UNO_QUERY_THROW);
    Reference<text::XText>(reloadedStandard->getPropertyValue("HeaderText"), UNO_QUERY_THROW)
        ->setString(ou(u8"某某市审计局"));
    ASSERT_EQ(1, survey().getLength());
    EXPECT_FALSE(survey()[0].Valid);
    ASSERT_EQ(1, survey()[0].Changed.getLength());
    EXPECT_EQ(ou("headers"), survey()[0].Changed[0]);
    EXPECT_EQ(u8"文档已被修改，印章无效！（已修改：页眉页脚）", utf8(survey()[0].Reason));
}
