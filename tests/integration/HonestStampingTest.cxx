// Stamping leaves nothing on the page that could change by itself: fields that follow the day,
// the file or the person are fixed to what they show, and a document whose tracked changes are
// still pending is refused, since the page then shows one text with the changes and another
// without them.

#include <OfficeFixture.hxx>
#include <format/ShapeAttributes.hxx>
#include <TestSeal.hxx>

#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/document/XRedlinesSupplier.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
const OUString kNotice = OUString::fromUtf8(u8"关于召开年度工作会议的通知\n发文日期：");

class HonestStampingTest : public OfficeTest
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-honest",
                             u8"北京市某某区人民政府办公室");
        return made;
    }

    void SetUp() override
    {
        OfficeTest::SetUp();
        installStampAreaPicture();
        seal().activate();
        document.insertText(0, kNotice);
    }

    /// A field of the given service at the end of the body, following what it shows.
    Reference<beans::XPropertySet> appendField(const char* service)
    {
        Reference<beans::XPropertySet> field(
            Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW)
                ->createInstance(OUString::createFromAscii(service)),
            UNO_QUERY_THROW);
        if (OUString::createFromAscii(service).endsWith("DateTime"))
            field->setPropertyValue("IsDate", Any(true));
        field->setPropertyValue("IsFixed", Any(false));
        Reference<text::XText> body = document.textDocument()->getText();
        body->insertTextContent(body->getEnd(),
                                Reference<text::XTextContent>(field, UNO_QUERY_THROW), false);
        return field;
    }

    static bool isFixed(const Reference<beans::XPropertySet>& field)
    {
        bool fixed = false;
        field->getPropertyValue("IsFixed") >>= fixed;
        return fixed;
    }

    bool stamp()
    {
        document.moveViewCursor(1);
        if (!helper->insertStampArea())
            return false;
        document.select(document.textGraphic("gzqy"));
        return helper->stampDocument();
    }

    bool hasStampArea()
    {
        return Reference<text::XTextGraphicObjectsSupplier>(document.model, UNO_QUERY_THROW)
            ->getGraphicObjects()
            ->hasByName("gzqy");
    }

    size_t sealCount()
    {
        size_t count = 0;
        for (const auto& shape : document.drawShapes())
            if (quillmark::getShapeType(Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW))
                == "Stamper")
                ++count;
        return count;
    }

    bool hasDocumentProperty(const char* name)
    {
        Reference<beans::XPropertySet> properties(
            Reference<document::XDocumentPropertiesSupplier>(document.model, UNO_QUERY_THROW)
                ->getDocumentProperties()
                ->getUserDefinedProperties(),
            UNO_QUERY_THROW);
        return properties->getPropertySetInfo()->hasPropertyByName(OUString::createFromAscii(name));
    }

    /// Nothing of a seal in the document: no signature, no coverage, no picture.
    void expectNothingWritten()
    {
        for (const char* field : { "newSignatureType", "newSignatureTypeCoverage" })
        {
            EXPECT_FALSE(document.hasMaster(OUString::createFromAscii(field))) << field;
            EXPECT_FALSE(hasDocumentProperty(field)) << field;
        }
        EXPECT_EQ(0u, sealCount());
        EXPECT_TRUE(hasStampArea()) << "the stamping area stays for the next attempt";
    }
};

TEST_F(HonestStampingTest, PendingTrackedChangeIsRefusedAndNothingIsWritten)
{
    Reference<beans::XPropertySet> date = appendField("com.sun.star.text.textfield.DateTime");
    Reference<beans::XPropertySet> settings(document.model, UNO_QUERY_THROW);
    settings->setPropertyValue("RecordChanges", Any(true));
    document.insertText(2, OUString::fromUtf8(u8"二〇二六年"));
    // Recording off again: what is refused is the change still pending, not the recording.
    settings->setPropertyValue("RecordChanges", Any(false));
    ASSERT_TRUE(Reference<document::XRedlinesSupplier>(document.model, UNO_QUERY_THROW)
                    ->getRedlines()
                    ->createEnumeration()
                    ->hasMoreElements());
    const OUString text = document.text();

    EXPECT_FALSE(stamp());
    const auto shown = messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(OUString::fromUtf8(u8"提示"), shown[0].title);
    EXPECT_EQ(OUString::fromUtf8(u8"文档中有尚未接受或拒绝的修订，显示修订与否页面内容不同。"
                                 u8"请先处理所有修订，再盖章！"),
              shown[0].text);
    expectNothingWritten();
    EXPECT_FALSE(isFixed(date)) << "a refused stamping fixes no field";
    EXPECT_EQ(text, document.text());

    // Once the change is accepted, the same area takes the seal.
    document.dispatch(".uno:AcceptAllTrackedChanges");
    document.select(document.textGraphic("gzqy"));
    EXPECT_TRUE(helper->stampDocument());
    EXPECT_EQ(1u, sealCount());
}

TEST_F(HonestStampingTest, FieldsThatFollowTheDayTheFileOrThePersonAreFixedAtStamping)
{
    const std::vector<Reference<beans::XPropertySet>> following
        = { appendField("com.sun.star.text.textfield.DateTime"),
            appendField("com.sun.star.text.textfield.FileName"),
            appendField("com.sun.star.text.textfield.Author") };
    document.insertText(document.text().getLength(), OUString::fromUtf8(u8"\n第"));
    // A page number follows the layout, which the coverage counts by kind: it stays as it is.
    Reference<beans::XPropertySet> page(
        Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW)
            ->createInstance("com.sun.star.text.textfield.PageNumber"),
        UNO_QUERY_THROW);
    Reference<text::XText> body = document.textDocument()->getText();
    body->insertTextContent(body->getEnd(), Reference<text::XTextContent>(page, UNO_QUERY_THROW),
                            false);
    const OUString shown = document.text();

    ASSERT_TRUE(stamp());
    const auto told = messages();
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ(OUString::fromUtf8(
                  u8"已将 3 个随日期、文件名、作者或编辑状态变化的域固定为盖章时显示的内容。"),
              told[0].text);
    for (const auto& field : following)
        EXPECT_TRUE(isFixed(field));
    EXPECT_EQ(shown, document.text()) << "fixed to what they showed";
}

TEST_F(HonestStampingTest, StampingThatFailsLeavesTheFieldsFollowing)
{
    Reference<beans::XPropertySet> date = appendField("com.sun.star.text.textfield.DateTime");
    // A character GBK cannot carry refuses the signing after the fields were fixed for it.
    document.insertText(document.text().getLength(), OUString::fromUtf8(u8"\n会议室：😀"));
    EXPECT_FALSE(stamp());
    ASSERT_EQ(1u, messages().size());
    expectNothingWritten();
    EXPECT_FALSE(isFixed(date));
}
}
