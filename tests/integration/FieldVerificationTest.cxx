// Checking a signed region against its signature, and taking its seal away, on real documents.

#include "FieldSealFixture.hxx"

#include <format/ShapeAttributes.hxx>
#include <com/sun/star/frame/XDispatchProviderInterception.hpp>
#include <com/sun/star/frame/XDispatchProviderInterceptor.hpp>
#include <cppuhelper/implbase2.hxx>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;

namespace
{
/// Swallows one command on its way to the document, as an add-on that vetoes it would; every
/// other command goes on.
class CommandSwallower
    : public cppu::WeakImplHelper2<frame::XDispatchProviderInterceptor, frame::XDispatch>
{
public:
    explicit CommandSwallower(const OUString& command)
        : swallowed(command)
    {
    }

    Reference<frame::XDispatch> SAL_CALL queryDispatch(const util::URL& url, const OUString& target,
                                                       sal_Int32 flags) override
    {
        if (url.Complete.equalsIgnoreAsciiCase(swallowed))
            return this;
        return slave.is() ? slave->queryDispatch(url, target, flags) : nullptr;
    }
    css::uno::Sequence<Reference<frame::XDispatch>> SAL_CALL
    queryDispatches(const css::uno::Sequence<frame::DispatchDescriptor>& requests) override
    {
        css::uno::Sequence<Reference<frame::XDispatch>> dispatches(requests.getLength());
        for (sal_Int32 i = 0; i < requests.getLength(); ++i)
            dispatches.getArray()[i] = queryDispatch(requests[i].FeatureURL, requests[i].FrameName,
                                                     requests[i].SearchFlags);
        return dispatches;
    }
    Reference<frame::XDispatchProvider> SAL_CALL getSlaveDispatchProvider() override
    {
        return slave;
    }
    void SAL_CALL setSlaveDispatchProvider(const Reference<frame::XDispatchProvider>& p) override
    {
        slave = p;
    }
    Reference<frame::XDispatchProvider> SAL_CALL getMasterDispatchProvider() override
    {
        return master;
    }
    void SAL_CALL setMasterDispatchProvider(const Reference<frame::XDispatchProvider>& p) override
    {
        master = p;
    }
    void SAL_CALL dispatch(const util::URL&,
                           const css::uno::Sequence<beans::PropertyValue>&) override
    {
        ++swallowedCount;
    }
    void SAL_CALL addStatusListener(const Reference<frame::XStatusListener>&,
                                    const util::URL&) override
    {
    }
    void SAL_CALL removeStatusListener(const Reference<frame::XStatusListener>&,
                                       const util::URL&) override
    {
    }

    std::atomic<int> swallowedCount{ 0 };

private:
    OUString swallowed;
    Reference<frame::XDispatchProvider> slave;
    Reference<frame::XDispatchProvider> master;
};

class FieldVerificationTest : public FieldSealTest
{
protected:
    void SetUp() override
    {
        FieldSealTest::SetUp();
        if (!helper->signField("contract"))
            FAIL() << "the field was not signed";
        contractPicture = helper->getFieldPictureURL();
        messages();
    }

    OUString contractPicture;
};
}

TEST_F(FieldVerificationTest, SignedFieldVerifiesUntilACharacterInsideChanges)
{
    EXPECT_TRUE(helper->verifyField("contract"));
    selectFieldSeal("contract");
    EXPECT_TRUE(helper->verifySelectedField());
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(document.textGraphic("contract")));

    document.escape();
    changeCharacter(kAfterRegion);
    document.insertText(0, "x");
    EXPECT_TRUE(helper->verifyField("contract")) << "text outside the field is not signed";

    changeCharacter(kInsideRegion + 1);
    selectFieldSeal("contract");
    EXPECT_FALSE(helper->verifySelectedField());
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(document.textGraphic("contract")));
    EXPECT_TRUE(helper->isFieldSigned("contract")) << "verification changes no signature";
    EXPECT_TRUE(shownTexts().empty()) << "the verdict shows no box of ours";
}

TEST_F(FieldVerificationTest, FailedCheckByNameMarksTheSelectedGraphicOnly)
{
    changeCharacter(kInsideRegion);
    auto picture = document.insertTextGraphic(pictureFile("plain.gif"), "picture");
    select(picture);
    EXPECT_FALSE(helper->verifyField("contract"));
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(picture));
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(document.textGraphic("contract")));
    EXPECT_TRUE(shownTexts().empty());
}

TEST_F(FieldVerificationTest, OrdinaryPictureSelectedNamesNoSignedField)
{
    auto picture = document.insertTextGraphic(pictureFile("plain.gif"), "picture");
    select(picture);
    EXPECT_FALSE(helper->verifySelectedField());
    EXPECT_EQ((Shown{ { u8"提示", u8"此域未被签署！请检测域名称是否正确" } }), shownTexts());
    EXPECT_EQ(drawing::ColorMode_STANDARD, colorMode(picture));

    EXPECT_FALSE(helper->removeSelectedFieldStamp());
    EXPECT_EQ((Shown{ { u8"提示", u8"此域未被签署！请检测域名称是否正确" } }), shownTexts());
    EXPECT_EQ(2, textGraphicCount());
}

TEST_F(FieldVerificationTest, RemovalTakesSealAndSignatureAwayAndTheFieldCanBeSignedAgain)
{
    selectFieldSeal("contract");
    EXPECT_TRUE(helper->removeSelectedFieldStamp());
    EXPECT_TRUE(shownTexts().empty());
    EXPECT_FALSE(hasFieldSeal("contract"));
    EXPECT_EQ(0, textGraphicCount());
    EXPECT_FALSE(helper->isFieldSigned("contract"));
    EXPECT_TRUE(authorOf(contract.start).isEmpty());
    EXPECT_EQ(body(), document.text()) << "the field's text and markers stay";

    EXPECT_TRUE(helper->signField("contract"));
    EXPECT_TRUE(shownTexts().empty());
    EXPECT_TRUE(hasFieldSeal("contract"));
    EXPECT_TRUE(helper->verifyField("contract"));
}

TEST_F(FieldVerificationTest, RemovalByAnotherSealIsRefused)
{
    const OUString signature = helper->getFieldSignature("contract");
    TestSeal other(office().workDirectory() + "/seal-other", u8"另一个单位");
    other.activate();
    selectFieldSeal("contract");
    EXPECT_FALSE(helper->removeSelectedFieldStamp());
    EXPECT_TRUE(shownTexts().empty());
    EXPECT_TRUE(hasFieldSeal("contract"));
    EXPECT_EQ(signature, helper->getFieldSignature("contract"));
    bool protectedContent = false;
    document.textGraphic("contract")->getPropertyValue("ContentProtected") >>= protectedContent;
    EXPECT_TRUE(protectedContent);
}

TEST_F(FieldVerificationTest, RemovalWithTextSelectedFindsNoField)
{
    document.selectText(0, 2);
    EXPECT_FALSE(helper->removeSelectedFieldStamp());
    EXPECT_EQ((Shown{ { u8"提示", u8"此域未被签署！请检测域名称是否正确" } }), shownTexts());
    EXPECT_TRUE(hasFieldSeal("contract"));
    EXPECT_TRUE(helper->isFieldSigned("contract"));
    EXPECT_EQ(body(), document.text());
}

TEST_F(FieldVerificationTest, SignedFieldsAndTheirSealsSurviveSaveAndReload)
{
    markField("annex", kAfterRegion, kAfterRegion + 1);
    ASSERT_TRUE(helper->signField("annex"));
    const OUString signature = helper->getFieldSignature("contract");
    // The document must carry the pictures itself.
    ASSERT_EQ(osl::FileBase::E_None, osl::File::remove(contractPicture));
    ASSERT_EQ(osl::FileBase::E_None, osl::File::remove(helper->getFieldPictureURL()));

    document.saveAndReload(office(), "signed-fields.odt");
    helper = makeHelper(document.frame);
    EXPECT_EQ(signature, helper->getFieldSignature("contract"));
    EXPECT_TRUE(helper->isFieldSigned("annex"));
    EXPECT_EQ(2, textGraphicCount());
    for (const char* name : { "contract", "annex" })
    {
        Reference<beans::XPropertySet> fieldSeal
            = document.textGraphic(OUString::createFromAscii(name));
        EXPECT_EQ(OUString("FieldStamper"), quillmark::getShapeType(fieldSeal)) << name;
        Reference<graphic::XGraphic> picture;
        fieldSeal->getPropertyValue("Graphic") >>= picture;
        EXPECT_TRUE(picture.is()) << name;
        bool protectedPosition = false;
        fieldSeal->getPropertyValue("PositionProtected") >>= protectedPosition;
        EXPECT_TRUE(protectedPosition) << name;
        text::TextContentAnchorType anchor = text::TextContentAnchorType_AT_PARAGRAPH;
        fieldSeal->getPropertyValue("AnchorType") >>= anchor;
        EXPECT_EQ(text::TextContentAnchorType_AT_PAGE, anchor) << name;
    }

    selectFieldSeal("annex");
    EXPECT_TRUE(helper->verifySelectedField());
    document.escape();
    changeCharacter(kInsideRegion);
    selectFieldSeal("contract");
    EXPECT_FALSE(helper->verifySelectedField());
    EXPECT_EQ(drawing::ColorMode_MONO, colorMode(document.textGraphic("contract")));
    EXPECT_TRUE(helper->verifyField("annex"));
    EXPECT_TRUE(shownTexts().empty());
}

TEST_F(FieldVerificationTest, SignatureStaysWhenItsSealWasNotDeleted)
{
    const OUString signature = helper->getFieldSignature("contract");
    rtl::Reference<CommandSwallower> swallower = new CommandSwallower(".uno:Delete");
    Reference<frame::XDispatchProviderInterception> interception(document.frame,
                                                                 css::uno::UNO_QUERY_THROW);
    interception->registerDispatchProviderInterceptor(swallower.get());
    selectFieldSeal("contract");
    const bool removed = helper->removeSelectedFieldStamp();
    interception->releaseDispatchProviderInterceptor(swallower.get());

    EXPECT_EQ(1, swallower->swallowedCount) << "the deletion was asked for";
    EXPECT_FALSE(removed);
    EXPECT_EQ((Shown{ { u8"提示", u8"删除签章异常!" } }), shownTexts());
    EXPECT_TRUE(hasFieldSeal("contract"));
    bool protectedContent = false;
    document.textGraphic("contract")->getPropertyValue("ContentProtected") >>= protectedContent;
    EXPECT_TRUE(protectedContent);
    EXPECT_EQ(signature, helper->getFieldSignature("contract")) << "no seal without signature";
    EXPECT_TRUE(helper->verifyField("contract"));
}

TEST_F(FieldVerificationTest, QuestionMarkSwappedForACharacterGbkLacksBreaksTheSeal)
{
    // GBK would turn the emoji into the "?" that was signed: the swap must not go unnoticed.
    document.insertText(kAfterRegion + 2, OUString::fromUtf8(u8"单价?元"));
    markField("price", kAfterRegion + 2, kAfterRegion + 6);
    ASSERT_TRUE(helper->signField("price"));
    ASSERT_TRUE(helper->verifyField("price"));

    const sal_Int32 questionMark = kAfterRegion + 5;
    document.removeText(questionMark, 1);
    document.insertText(questionMark, OUString::fromUtf8(u8"😀"));
    EXPECT_FALSE(helper->verifyField("price"));
    EXPECT_TRUE(helper->verifyField("contract")) << "the other field is untouched";
}
