// Field regions marked by two annotations, and the signature kept in the start marker.

#include <OfficeFixture.hxx>

using namespace com::sun::star;
using namespace quillmark::test;

namespace
{
class FieldMarkersTest : public OfficeTest
{
protected:
    void SetUp() override
    {
        OfficeTest::SetUp();
        document.insertText(0, "Before. The signed region. After.");
    }
    /// Marks characters [from, to) of the body as the field `name`.
    void markField(const OUString& name, sal_Int32 from, sal_Int32 to, const OUString& author = "")
    {
        // The end goes in first so that the start marker does not shift its offset.
        document.insertAnnotation(to, name + "__@*End@");
        document.insertAnnotation(from, name + "__@*Start@", author);
    }
};
}

TEST_F(FieldMarkersTest, FieldTextIsTheTextBetweenTheMarkers)
{
    markField("contract", 8, 26);
    const OUString text = helper->getFieldText("contract");
    EXPECT_TRUE(text.indexOf("The signed region.") >= 0) << utf8(text);
    EXPECT_EQ(-1, text.indexOf("Before")) << utf8(text);
    EXPECT_EQ(-1, text.indexOf("After")) << utf8(text);
    EXPECT_FALSE(helper->isFieldSigned("contract"));
    EXPECT_TRUE(helper->getFieldSignature("contract").isEmpty());
}

TEST_F(FieldMarkersTest, NamesAreMatchedExactly)
{
    markField("contract", 8, 26);
    EXPECT_TRUE(helper->getFieldText("contract ").isEmpty()) << "a trailing blank";
    EXPECT_TRUE(helper->getFieldText("Contract").isEmpty()) << "another case";
    EXPECT_FALSE(helper->storeFieldSignature("Contract", "signature"));
    EXPECT_FALSE(helper->isFieldSigned("contract"));
}

TEST_F(FieldMarkersTest, MissingEndMarkerLeavesTheFieldWithoutText)
{
    document.insertAnnotation(8, "open__@*Start@");
    EXPECT_TRUE(helper->getFieldText("open").isEmpty());
    EXPECT_TRUE(helper->storeFieldSignature("open", "signature"));
    EXPECT_EQ(OUString("signature"), helper->getFieldSignature("open"));
}

TEST_F(FieldMarkersTest, FirstStartMarkerIsWrittenAndTheLastIsRead)
{
    markField("twice", 8, 26);
    document.insertAnnotation(30, "twice__@*Start@");
    EXPECT_TRUE(helper->storeFieldSignature("twice", "first marker"));
    EXPECT_TRUE(helper->getFieldSignature("twice").isEmpty()) << "the last marker is unsigned";
    EXPECT_FALSE(helper->isFieldSigned("twice"));
}

TEST_F(FieldMarkersTest, SignatureIsStoredClearedAndSurvivesReload)
{
    markField("contract", 8, 26);
    EXPECT_TRUE(helper->storeFieldSignature("contract", "c2lnbmF0dXJl"));
    EXPECT_TRUE(helper->isFieldSigned("contract"));
    const OUString text = helper->getFieldText("contract");

    document.saveAndReload(office(), "markers.odt");
    helper = makeHelper(document.frame);
    EXPECT_EQ(OUString("c2lnbmF0dXJl"), helper->getFieldSignature("contract"));
    EXPECT_EQ(text, helper->getFieldText("contract"));
    EXPECT_TRUE(helper->clearFieldSignature("contract"));
    EXPECT_FALSE(helper->isFieldSigned("contract"));
}

TEST_F(FieldMarkersTest, AnyStartMarkerWithAnAuthorCountsAsSigned)
{
    markField("given", 8, 26, "whatever text");
    EXPECT_TRUE(helper->isFieldSigned("given"));
    EXPECT_EQ(OUString("whatever text"), helper->getFieldSignature("given"));
}

TEST_F(FieldMarkersTest, UnknownNamesAreUnsignedAndWithoutText)
{
    EXPECT_TRUE(helper->getFieldSignature("nothing").isEmpty());
    EXPECT_FALSE(helper->isFieldSigned("nothing"));
    EXPECT_FALSE(helper->clearFieldSignature("nothing"));
    EXPECT_TRUE(messages().empty());
}
