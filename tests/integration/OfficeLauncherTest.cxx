// The office reads and writes documents whose paths hold what a URL must encode.

#include <OfficeFixture.hxx>

using namespace quillmark::test;

TEST_F(OfficeTest, DocumentsWhosePathsHoldBlanksHashesAndChineseAreSavedAndLoaded)
{
    useDocument(OUString::fromUtf8(u8"路径测试"));
    const std::string path = document.saveAs(office(), u8"盖章 通知 #1 100%.odt");
    document.close();
    document = WriterDocument::load(office(), path);
    ASSERT_TRUE(document.model.is());
    EXPECT_EQ(OUString::fromUtf8(u8"路径测试"), document.text());
}
