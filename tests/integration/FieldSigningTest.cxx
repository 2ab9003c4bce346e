// Signing a marked region with the project's seal library, and where its seal goes, on real
// documents.

#include "FieldSealFixture.hxx"

#include <WatchedFrame.hxx>

#include <operations/FieldStampPosition.hxx>
#include <common/PicturePaths.hxx>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/style/BreakType.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/WrapTextMode.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XTextRangeCompare.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <algorithm>
#include <stdexcept>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
/// The office's path settings with a filter folder of the test's own.
class FilterPathSettings : public cppu::WeakImplHelper1<beans::XPropertySet>
{
public:
    FilterPathSettings(const Reference<beans::XPropertySet>& office, const OUString& filter)
        : officeSettings(office)
        , filterFolder(filter)
    {
    }
    Any SAL_CALL getPropertyValue(const OUString& name) override
    {
        return name == "Filter" ? Any(filterFolder) : officeSettings->getPropertyValue(name);
    }
    Reference<beans::XPropertySetInfo> SAL_CALL getPropertySetInfo() override
    {
        return officeSettings->getPropertySetInfo();
    }
    void SAL_CALL setPropertyValue(const OUString& name, const Any& value) override
    {
        officeSettings->setPropertyValue(name, value);
    }
    void SAL_CALL addPropertyChangeListener(
        const OUString&, const Reference<beans::XPropertyChangeListener>&) override
    {
    }
    void SAL_CALL removePropertyChangeListener(
        const OUString&, const Reference<beans::XPropertyChangeListener>&) override
    {
    }
    void SAL_CALL addVetoableChangeListener(
        const OUString&, const Reference<beans::XVetoableChangeListener>&) override
    {
    }
    void SAL_CALL removeVetoableChangeListener(
        const OUString&, const Reference<beans::XVetoableChangeListener>&) override
    {
    }

private:
    Reference<beans::XPropertySet> officeSettings;
    OUString filterFolder;
};

class FieldSigningTest : public FieldSealTest
{
protected:
    /// The metrics of a page style nobody has inserted, as the office makes it.
    quillmark::PageMetrics defaultPageMetrics()
    {
        Reference<beans::XPropertySet> style(
            Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW)
                ->createInstance("com.sun.star.style.PageStyle"),
            UNO_QUERY_THROW);
        quillmark::PageMetrics page;
        style->getPropertyValue("Height") >>= page.height;
        style->getPropertyValue("TopMargin") >>= page.topMargin;
        style->getPropertyValue("BottomMargin") >>= page.bottomMargin;
        return page;
    }

    /// Where the seal of a field with these markers belongs, from the view positions the office
    /// reports for them now.
    quillmark::FieldStampPosition expectedPosition(const FieldMarkers& markers)
    {
        const sal_Int32 startX = viewPosition(markers.start->getAnchor()).X;
        const sal_Int32 endY = viewPosition(markers.end->getAnchor()).Y;
        auto position = quillmark::computeFieldStampPosition(
            defaultPageMetrics(), helper->getSealPictureSize().Height, startX, endY);
        if (!position)
            throw std::runtime_error("the default page leaves no room for a seal");
        return *position;
    }

    static sal_Int32 intProperty(const Reference<beans::XPropertySet>& object, const char* name)
    {
        sal_Int32 value = 0;
        object->getPropertyValue(OUString::createFromAscii(name)) >>= value;
        return value;
    }

    static text::TextContentAnchorType anchorType(const Reference<beans::XPropertySet>& graphic)
    {
        text::TextContentAnchorType anchor = text::TextContentAnchorType_AT_PARAGRAPH;
        graphic->getPropertyValue("AnchorType") >>= anchor;
        return anchor;
    }

    static sal_Int16 anchorPage(const Reference<beans::XPropertySet>& graphic)
    {
        sal_Int16 page = 0;
        graphic->getPropertyValue("AnchorPageNo") >>= page;
        return page;
    }

    /// A signature the seal library made for the same region in another document.
    OUString signatureMadeElsewhere()
    {
        WriterDocument other = WriterDocument::create(office(), body());
        auto otherHelper = makeHelper(other.frame);
        other.insertAnnotation(kRegionEnd, "contract__@*End@");
        other.insertAnnotation(kRegionStart, "contract__@*Start@");
        if (!otherHelper->signField("contract"))
            throw std::runtime_error("the other document was not signed");
        return otherHelper->getFieldSignature("contract");
    }

    OUString pictureFolder() { return helper->getFilterDirectoryURL(); }
};
}

TEST_F(FieldSigningTest, FieldSealIsAProtectedPageGraphicNamedLikeTheField)
{
    ASSERT_TRUE(helper->signField("contract"));
    EXPECT_TRUE(shownTexts().empty());
    EXPECT_EQ(body(), document.text()) << "signing leaves the text as it was";
    EXPECT_FALSE(authorOf(contract.start).isEmpty());
    EXPECT_EQ(authorOf(contract.start), helper->getFieldSignature("contract"));
    EXPECT_TRUE(authorOf(contract.end).isEmpty());

    ASSERT_EQ(1, textGraphicCount());
    ASSERT_TRUE(hasFieldSeal("contract"));
    Reference<beans::XPropertySet> fieldSeal = document.textGraphic("contract");
    EXPECT_EQ(text::TextContentAnchorType_AT_PAGE, anchorType(fieldSeal));
    for (const char* protection : { "ContentProtected", "SizeProtected", "PositionProtected" })
    {
        bool set = false;
        fieldSeal->getPropertyValue(OUString::createFromAscii(protection)) >>= set;
        EXPECT_TRUE(set) << protection;
    }
    text::WrapTextMode wrap = text::WrapTextMode_NONE;
    fieldSeal->getPropertyValue("TextWrap") >>= wrap;
    EXPECT_EQ(text::WrapTextMode_THROUGHT, wrap) << "text runs through the seal";
    EXPECT_EQ(OUString("FieldStamper"), quillmark::getShapeType(fieldSeal));
    EXPECT_EQ(OUString("FieldStamper"), quillmark::readAlternativeText(fieldSeal));
    select(fieldSeal);
    EXPECT_EQ(quillmark::kFieldSeal, helper->getSelectedStampType());

    EXPECT_TRUE(fileExists(helper->getFieldPictureURL()));
    EXPECT_TRUE(helper->getFieldPictureURL().startsWith(pictureFolder()))
        << utf8(helper->getFieldPictureURL());
    // The seal library's picture is 160 pixels square: 3840 in 1/100 mm.
    EXPECT_EQ(3840, helper->getSealPictureSize().Height);
}

TEST_F(FieldSigningTest, FieldSealLandsBesideTheRegionsEndAndTheCursorStaysThere)
{
    document.moveViewCursor(0);
    ASSERT_TRUE(helper->signField("contract"));
    Reference<beans::XPropertySet> fieldSeal = document.textGraphic("contract");

    Reference<text::XTextRangeCompare> compare(document.textDocument()->getText(), UNO_QUERY_THROW);
    Reference<text::XTextRange> viewCursor(document.viewCursor().get());
    EXPECT_EQ(0, compare->compareRegionStarts(viewCursor, contract.end->getAnchor()));
    EXPECT_EQ(0, compare->compareRegionEnds(viewCursor, contract.end->getAnchor()));

    const quillmark::FieldStampPosition expected = expectedPosition(contract);
    // The office keeps orientation positions in twips.
    EXPECT_NEAR(expected.x, intProperty(fieldSeal, "HoriOrientPosition"), 2);
    EXPECT_NEAR(expected.y, intProperty(fieldSeal, "VertOrientPosition"), 2);
    EXPECT_EQ(0, intProperty(fieldSeal, "HoriOrient"));
    EXPECT_EQ(0, intProperty(fieldSeal, "VertOrient"));
    ASSERT_EQ(quillmark::FieldStampPosition::Anchor::Unset, expected.anchor);
    // Page positions hold only for a seal anchored to the page that holds the field's end.
    EXPECT_EQ(text::TextContentAnchorType_AT_PAGE, anchorType(fieldSeal));
    EXPECT_EQ(1, anchorPage(fieldSeal));
}

TEST_F(FieldSigningTest, FieldEndingOnTheSecondPageIsAnchoredToIt)
{
    // 前言。<s>甲方同意按合同付款。<e>后记。 takes 18 positions.
    document.insertText(18, OUString::fromUtf8(u8"\n第二页上的附件条款。"));
    Reference<text::XParagraphCursor> paragraph(
        document.textDocument()->getText()->createTextCursor(), UNO_QUERY_THROW);
    paragraph->gotoStart(false);
    paragraph->gotoNextParagraph(false);
    Reference<beans::XPropertySet>(paragraph, UNO_QUERY_THROW)
        ->setPropertyValue("BreakType", Any(style::BreakType_PAGE_BEFORE));
    const FieldMarkers annex = markField("annex", 19, 24);

    ASSERT_TRUE(helper->signField("annex"));
    Reference<beans::XPropertySet> fieldSeal = document.textGraphic("annex");
    EXPECT_EQ(2, Reference<text::XPageCursor>(document.viewCursor(), UNO_QUERY_THROW)->getPage());
    const quillmark::FieldStampPosition expected = expectedPosition(annex);
    ASSERT_EQ(quillmark::FieldStampPosition::Anchor::MarkerPage, expected.anchor);
    EXPECT_EQ(text::TextContentAnchorType_AT_PAGE, anchorType(fieldSeal));
    EXPECT_EQ(2, anchorPage(fieldSeal));
    EXPECT_NEAR(expected.x, intProperty(fieldSeal, "HoriOrientPosition"), 2);
    EXPECT_NEAR(expected.y, intProperty(fieldSeal, "VertOrientPosition"), 2);
}

TEST_F(FieldSigningTest, FieldsThatCannotBeSignedAreRefusedByName)
{
    EXPECT_FALSE(helper->signField("contract "));
    EXPECT_EQ((Shown{ { u8"提示", u8"签章域不能为空！" } }), shownTexts()) << "a trailing blank";

    document.insertAnnotation(kAfterRegion, "open__@*Start@");
    EXPECT_FALSE(helper->signField("open"));
    EXPECT_EQ((Shown{ { u8"提示", u8"签章域不能为空！" } }), shownTexts()) << "no end marker";

    EXPECT_FALSE(helper->isFieldSigned("contract"));
    EXPECT_FALSE(helper->isFieldSigned("open"));
    EXPECT_EQ(0, textGraphicCount());
}

TEST_F(FieldSigningTest, SignedFieldIsRefusedBeforeTheSealLibrary)
{
    ASSERT_TRUE(helper->signField("contract"));
    const OUString signature = helper->getFieldSignature("contract");
    const OUString picture = helper->getFieldPictureURL();
    ASSERT_EQ(osl::FileBase::E_None, osl::File::remove(picture));

    // Were the library asked, it would fail without a seal and say so.
    deactivateSeals();
    EXPECT_FALSE(helper->signField("contract"));
    EXPECT_EQ((Shown{ { u8"提示", u8"此域已经被签署！" } }), shownTexts());
    EXPECT_EQ(signature, helper->getFieldSignature("contract"));
    EXPECT_FALSE(fileExists(picture)) << "no new picture was asked for";
    EXPECT_EQ(1, textGraphicCount());
}

TEST_F(FieldSigningTest, SigningWithoutASealFails)
{
    deactivateSeals();
    EXPECT_FALSE(helper->signField("contract"));
    EXPECT_EQ((Shown{ { u8"提示", u8"域签名失败！" } }), shownTexts());
    EXPECT_FALSE(helper->isFieldSigned("contract"));
    EXPECT_EQ(0, textGraphicCount());
}

TEST_F(FieldSigningTest, FirstStartMarkerIsWrittenAndTheLastIsRead)
{
    document.insertAnnotation(kAfterRegion, "contract__@*Start@");
    // First and last as the document lists its text fields, which is not the text's order.
    const auto starts = fieldsWithContent("contract__@*Start@");
    ASSERT_EQ(2u, starts.size());
    const auto& first = starts.front();
    const auto& last = starts.back();
    ASSERT_NE(viewPosition(first->getAnchor()).X, viewPosition(last->getAnchor()).X)
        << "the two start markers must stand apart for placement to show which one it read";

    ASSERT_TRUE(helper->signField("contract"));
    EXPECT_TRUE(shownTexts().empty());
    EXPECT_FALSE(authorOf(first).isEmpty());
    EXPECT_TRUE(authorOf(last).isEmpty());
    EXPECT_FALSE(helper->isFieldSigned("contract")) << "the last start marker is unsigned";
    EXPECT_FALSE(helper->verifyField("contract"));
    EXPECT_EQ((Shown{ { u8"提示", u8"此域未被签署！请检测域名称是否正确" } }), shownTexts());

    const quillmark::FieldStampPosition expected = expectedPosition({ last, contract.end });
    EXPECT_NEAR(expected.x, intProperty(document.textGraphic("contract"), "HoriOrientPosition"), 2);
}

TEST_F(FieldSigningTest, FieldNameNeverLeadsThePictureOutOfItsFolder)
{
    // Written as it stands, the picture would land in the folder above, which exists.
    const OUString name = "../contract";
    markField(name, kAfterRegion, kAfterRegion + 1);
    ASSERT_TRUE(helper->signField(name));
    EXPECT_TRUE(shownTexts().empty());
    EXPECT_TRUE(hasFieldSeal(name));

    const OUString folder = pictureFolder();
    const OUString picture = helper->getFieldPictureURL();
    ASSERT_TRUE(picture.startsWith(folder)) << utf8(picture);
    EXPECT_EQ(-1, picture.indexOf('/', folder.getLength())) << utf8(picture);
    EXPECT_TRUE(fileExists(picture));
    OUString outside;
    ASSERT_EQ(osl::FileBase::E_None,
              osl::FileBase::getAbsoluteFileURL(folder, name + "ktx.gif", outside));
    EXPECT_FALSE(fileExists(outside)) << utf8(outside);
}

TEST_F(FieldSigningTest, PlacementRegistersTheHelperOnceForSelectionChanges)
{
    rtl::Reference<RecordingLayoutManager> layoutManager = new RecordingLayoutManager;
    rtl::Reference<WatchedFrame> frame = new WatchedFrame(document.frame, layoutManager.get());
    helper = makeHelper(frame.get());
    markField("annex", kAfterRegion, kAfterRegion + 1);
    Reference<view::XSelectionSupplier> selection(document.controller, UNO_QUERY_THROW);
    rtl::Reference<SelectionCounter> counter = new SelectionCounter;
    selection->addSelectionChangeListener(counter.get());

    document.select(document.insertTextGraphic(pictureFile("area.gif"), "gzqy"));
    waitForQuiet(*counter, 1);
    EXPECT_TRUE(layoutManager->recordedCalls().empty())
        << "nothing listens before a field seal is placed";
    document.escape();

    ASSERT_TRUE(helper->signField("contract"));
    ASSERT_TRUE(helper->signField("annex"));
    ASSERT_TRUE(helper->setFieldSignature("annex", helper->getFieldSignature("annex")));
    // The office tells its listeners in the order they came: once the counter, now last, has
    // heard a change, the helper has heard it as often as it listens.
    selection->removeSelectionChangeListener(counter.get());
    selection->addSelectionChangeListener(counter.get());
    waitForQuiet(*counter, 0);
    const size_t placementCalls = layoutManager->recordedCalls().size();
    counter->count = 0;

    selectFieldSeal("contract");
    waitForQuiet(*counter, 1);
    ASSERT_GE(counter->count, 1) << "the office reported no selection change";
    const auto calls = layoutManager->recordedCalls();
    // Every notification that finds a field seal selected either hides or creates the toolbar.
    const auto toggles = std::count(calls.begin() + placementCalls, calls.end(), "hide")
                         + std::count(calls.begin() + placementCalls, calls.end(), "create");
    EXPECT_EQ(counter->count, toggles);
    EXPECT_EQ(0u, placementCalls);
    EXPECT_TRUE(shownTexts().empty());
    selection->removeSelectionChangeListener(counter.get());
}

TEST_F(FieldSigningTest, SignatureMadeElsewhereIsStoredAndItsSealPlaced)
{
    const OUString signature = signatureMadeElsewhere();
    ASSERT_FALSE(signature.isEmpty());
    EXPECT_TRUE(helper->setFieldSignature("contract", signature));
    EXPECT_EQ(signature, helper->getFieldSignature("contract"));
    ASSERT_TRUE(hasFieldSeal("contract"));
    EXPECT_EQ(OUString("FieldStamper"), quillmark::getShapeType(document.textGraphic("contract")));
    EXPECT_TRUE(helper->verifyField("contract"));
    EXPECT_TRUE(shownTexts().empty());
}

TEST_F(FieldSigningTest, StoringOverwritesASignedField)
{
    ASSERT_TRUE(helper->signField("contract"));
    const OUString signature = signatureMadeElsewhere();
    ASSERT_NE(signature, helper->getFieldSignature("contract"));
    EXPECT_TRUE(helper->setFieldSignature("contract", signature));
    EXPECT_EQ(signature, helper->getFieldSignature("contract"));
    EXPECT_EQ(signature, authorOf(contract.start));
    EXPECT_TRUE(helper->verifyField("contract"));
}

TEST_F(FieldSigningTest, StoringWhereTheSealFindsNoPlaceLeavesTheFieldAsItWas)
{
    ASSERT_TRUE(helper->signField("contract"));
    const OUString signature = helper->getFieldSignature("contract");

    EXPECT_FALSE(helper->setFieldSignature("nothing", signature));
    EXPECT_FALSE(fileExists(quillmark::sealPictureURL(pictureFolder(), "nothing")))
        << "no picture for no field";

    // A signature whose seal nobody sees would claim a seal that is not there.
    const auto open = document.insertAnnotation(kAfterRegion + 1, "open__@*Start@");
    EXPECT_FALSE(helper->setFieldSignature("open", signature));
    EXPECT_EQ(OUString(), authorOf(open));
    EXPECT_FALSE(hasFieldSeal("open")) << "without an end marker there is no place for it";
    EXPECT_EQ(1, textGraphicCount());
    EXPECT_TRUE(shownTexts().empty()) << "placement stops before the missing end";
}

TEST_F(FieldSigningTest, StoringFailsAndKeepsTheFieldUnsignedWhenThePictureCannotBeWritten)
{
    const OUString signature = signatureMadeElsewhere();
    // A folder where the picture file belongs cannot be opened for writing.
    const OUString blocked = quillmark::sealPictureURL(pictureFolder(), "contract");
    osl::File::remove(blocked);
    ASSERT_EQ(osl::FileBase::E_None, osl::Directory::create(blocked));
    const bool stored = helper->setFieldSignature("contract", signature);
    osl::Directory::remove(blocked);

    EXPECT_FALSE(stored);
    EXPECT_EQ(OUString(), helper->getFieldSignature("contract"));
    EXPECT_FALSE(hasFieldSeal("contract"));
    EXPECT_EQ((Shown{ { "Message", u8"获取证书签章图片失败!" } }), shownTexts());
}

TEST_F(FieldSigningTest, TextThatIsNoSignatureIsRefusedAndPlacesNoPicture)
{
    ASSERT_TRUE(helper->signField("contract"));
    const OUString signature = helper->getFieldSignature("contract");
    markField("annex", kAfterRegion, kAfterRegion + 1);
    messages();

    // The seal library opens no picture for these, so there is no seal to place.
    for (const char* text : { "not a signature", "", "QUJD" })
    {
        EXPECT_FALSE(helper->setFieldSignature("contract", OUString::createFromAscii(text)))
            << text;
        EXPECT_EQ((Shown{ { "Message", u8"获取证书签章图片失败!" } }), shownTexts()) << text;
        EXPECT_EQ(signature, helper->getFieldSignature("contract")) << "the field keeps its own";
        EXPECT_FALSE(helper->setFieldSignature("annex", OUString::createFromAscii(text)));
        shownTexts();
        EXPECT_FALSE(helper->isFieldSigned("annex")) << text;
    }
    EXPECT_EQ(1, textGraphicCount()) << "no empty picture is placed";
    EXPECT_TRUE(helper->verifyField("contract"));
}

TEST_F(FieldSigningTest, SigningWhoseSealCannotBePlacedLeavesTheFieldUnsigned)
{
    // A folder where the picture file belongs cannot be opened for writing.
    const OUString blocked = quillmark::sealPictureURL(pictureFolder(), "contract");
    osl::File::remove(blocked);
    ASSERT_EQ(osl::FileBase::E_None, osl::Directory::create(blocked));
    const bool signedField = helper->signField("contract");
    osl::Directory::remove(blocked);

    EXPECT_FALSE(signedField);
    EXPECT_EQ((Shown{ { "Message", u8"获取证书签章图片失败!" } }), shownTexts());
    EXPECT_FALSE(helper->isFieldSigned("contract"));
    EXPECT_FALSE(hasFieldSeal("contract"));
    EXPECT_TRUE(helper->signField("contract")) << "the field can be signed once the way is free";
}

TEST_F(FieldSigningTest, PictureIsWrittenAndReadInsideAWritableFilterFolder)
{
    // Where the installation's filter folder exists and is writable, pictures go into it. This
    // office's own filter folder is not, so the helper's path settings name one that is.
    const std::string folder = workFile("filter-folder");
    OUString folderUrl;
    osl::FileBase::getFileURLFromSystemPath(OUString::fromUtf8(folder.c_str()), folderUrl);
    osl::Directory::createPath(folderUrl);
    Reference<beans::XPropertySet> officePaths(
        testContext->context()->getServiceManager()->createInstanceWithContext(
            "com.sun.star.util.PathSettings", testContext->context()),
        UNO_QUERY_THROW);
    testContext->setService("com.sun.star.util.PathSettings", [&] {
        return Reference<css::uno::XInterface>(
            static_cast<cppu::OWeakObject*>(new FilterPathSettings(officePaths, folderUrl)));
    });

    ASSERT_EQ(utf8(folderUrl), utf8(helper->getFilterDirectoryURL()));
    ASSERT_TRUE(helper->signField("contract"));
    const OUString written = helper->getFieldPictureURL();
    EXPECT_EQ(utf8(folderUrl + "/contractktx.gif"), utf8(written));
    EXPECT_TRUE(fileExists(written));

    // The certificate box is shown the very file the seal was written to.
    helper->setContainerName("contract");
    document.escape();
    helper->showCertificateInfo("message");
    EXPECT_EQ(utf8(written), utf8(testContext->certInfoBox->pictureURL.Complete));
    osl::File::remove(written);
}

TEST_F(FieldSigningTest, FieldTextThatGbkCannotCarryIsRefusedAndNothingIsWritten)
{
    // An emoji, and a rare character of a name (CJK extension B): GBK has neither.
    for (const char* lost : { u8"😀", u8"𪚥" })
    {
        const OUString character = OUString::fromUtf8(lost);
        document.insertText(kInsideRegion, character);
        EXPECT_FALSE(helper->signField("contract"));
        EXPECT_EQ((Shown{ { u8"提示", std::string(u8"签章域含有 GBK 编码无法表示的字符“") + lost
                                          + u8"”，签署会丢失它。请删除或替换该字符后再签署！" } }),
                  shownTexts());
        EXPECT_FALSE(helper->isFieldSigned("contract"));
        EXPECT_EQ(0, textGraphicCount());
        document.removeText(kInsideRegion, character.getLength());
    }
    EXPECT_TRUE(helper->signField("contract")) << "the field as GBK carries it signs";
}

TEST_F(FieldSigningTest, FieldSealComesBackFromDocxAndShowsItsFieldsVerdict)
{
    ASSERT_TRUE(helper->signField("contract"));
    // A picture that claims to seal a field nobody signed.
    markField("annex", kAfterRegion, kAfterRegion + 1);
    Reference<beans::XPropertySet> claim
        = document.insertTextGraphic(SEAL_STAMP_AREA_PICTURE, "annex", kAfterRegion + 3);
    quillmark::writeAlternativeText(claim, "FieldStamper");

    document.saveAndReload(office(), "field-seal.docx", "MS Word 2007 XML");
    helper = makeHelper(document.frame);
    EXPECT_EQ("FieldStamper", quillmark::getShapeType(document.textGraphic("contract")));
    EXPECT_TRUE(quillmark::getShapeType(document.textGraphic("annex")).isEmpty());

    document.insertText(kInsideRegion, "x");
    const auto seals = helper->surveySeals(true);
    ASSERT_EQ(1, seals.getLength());
    EXPECT_FALSE(seals[0].Valid);
    EXPECT_EQ(1, seals[0].Pictures.getLength()) << "the picture is the field's seal again";
    drawing::ColorMode mode = drawing::ColorMode_STANDARD;
    document.textGraphic("contract")->getPropertyValue("GraphicColorMode") >>= mode;
    EXPECT_EQ(drawing::ColorMode_MONO, mode) << "no red seal beside a changed field";
}
