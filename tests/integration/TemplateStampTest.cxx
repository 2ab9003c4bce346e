// Every Writer template the office ships, stamped as a clerk stamps it: a new document from the
// template, the cursor at its end, 插入盖章区域 then 加盖印章, saved as .odt and opened again.

#include <OfficeFixture.hxx>
#include <TestSeal.hxx>

#include <format/CoverageManifest.hxx>
#include <docstore/DocumentCoverage.hxx>
#include <format/ShapeAttributes.hxx>
#include <algorithm>
#include <cctype>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/util/XRefreshable.hpp>
#include <filesystem>
#include <iostream>
#include <string>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace
{
/// Templates by their path under the office's template folder.
std::vector<std::string> shippedTemplates()
{
    std::vector<std::string> found;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator entry(OFFICE_TEMPLATE_DIR, error), end;
         !error && entry != end; entry.increment(error))
        if (entry->is_regular_file() && entry->path().extension() == ".ott")
            found.push_back(entry->path().lexically_relative(OFFICE_TEMPLATE_DIR).string());
    std::sort(found.begin(), found.end());
    return found;
}

/// A page of the laid-out document: its physical number and its size.
struct Page
{
    sal_Int16 number = 0;
    awt::Size size;
};

std::string describe(const awt::Rectangle& box)
{
    return "(" + std::to_string(box.X) + ", " + std::to_string(box.Y) + ") "
           + std::to_string(box.Width) + " x " + std::to_string(box.Height);
}

std::string testName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = std::filesystem::path(info.param).replace_extension().string();
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

class TemplateStampTest : public OfficeTest, public ::testing::WithParamInterface<std::string>
{
protected:
    static const TestSeal& seal()
    {
        static TestSeal made(Office::shared().workDirectory() + "/seal-templates",
                             u8"北京市模板测试办公室");
        return made;
    }

    // The fixture's blank document is not needed: each test opens its template instead.
    void SetUp() override
    {
        try
        {
            testContext = std::make_unique<TestContext>(office().context());
            installStampAreaPicture();
            seal().activate();
            document = WriterDocument::fromTemplate(office(), OFFICE_TEMPLATE_DIR "/" + GetParam());
            helper = makeHelper(document.frame);
        }
        catch (const uno::Exception& exception)
        {
            FAIL() << "cannot open " << GetParam() << ": " << utf8(exception.Message);
        }
    }

    /// The page the view cursor is on.
    Page cursorPage()
    {
        Page page;
        page.number
            = Reference<text::XPageCursor>(document.viewCursor(), UNO_QUERY_THROW)->getPage();
        OUString style;
        Reference<beans::XPropertySet>(document.viewCursor(), UNO_QUERY_THROW)
            ->getPropertyValue("PageStyleName")
            >>= style;
        Reference<beans::XPropertySet> pageStyle(
            Reference<style::XStyleFamiliesSupplier>(document.model, UNO_QUERY_THROW)
                ->getStyleFamilies()
                ->getByName("PageStyles")
                .get<Reference<container::XNameAccess>>()
                ->getByName(style),
            UNO_QUERY_THROW);
        pageStyle->getPropertyValue("Size") >>= page.size;
        return page;
    }

    /// The one picture that is a document seal.
    Reference<beans::XPropertySet> documentSeal()
    {
        Reference<beans::XPropertySet> found;
        for (const auto& shape : document.drawShapes())
        {
            Reference<beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
            if (quillmark::getShapeType(properties) == "Stamper")
            {
                EXPECT_FALSE(found.is()) << "a second seal";
                found = properties;
            }
        }
        return found;
    }

    /// The seal's attributes: bound to `page`, inside its bounds.
    void expectSealPlaced(const Reference<beans::XPropertySet>& seal, const Page& page)
    {
        sal_Int16 anchorPage = 0;
        seal->getPropertyValue("AnchorPageNo") >>= anchorPage;
        EXPECT_EQ(page.number, anchorPage) << "the seal is not on the cursor's page";
        const awt::Size size = Reference<drawing::XShape>(seal, UNO_QUERY_THROW)->getSize();
        sal_Int32 x = -1;
        sal_Int32 y = -1;
        seal->getPropertyValue("HoriOrientPosition") >>= x;
        seal->getPropertyValue("VertOrientPosition") >>= y;
        EXPECT_TRUE(x >= 0 && y >= 0 && x + size.Width <= page.size.Width
                    && y + size.Height <= page.size.Height)
            << "seal at (" << x << ", " << y << ") " << size.Width << " x " << size.Height
            << " on a page of " << page.size.Width << " x " << page.size.Height;
    }

    /// Where the layout put the seal: on a page that exists, inside the frame of that page.
    /// Lays the whole document out, which is left until no save follows: a document stored
    /// right after that now and then lacks its newest page-bound picture.
    void expectSealLaidOutInside(const Reference<beans::XPropertySet>& seal, const Page& page)
    {
        sal_Int32 pageCount = 0;
        Reference<beans::XPropertySet>(document.controller, UNO_QUERY_THROW)
            ->getPropertyValue("PageCount")
            >>= pageCount;
        EXPECT_LE(page.number, pageCount) << "the seal's page is not laid out";
        Reference<util::XRefreshable>(document.model, UNO_QUERY_THROW)->refresh();
        awt::Point pageOrigin;
        awt::Rectangle box;
        seal->getPropertyValue("AnchorPosition") >>= pageOrigin;
        seal->getPropertyValue("BoundRect") >>= box;
        constexpr sal_Int32 kRounding = 2; // twips to 1/100 mm, both ways
        EXPECT_TRUE(box.X >= pageOrigin.X - kRounding && box.Y >= pageOrigin.Y - kRounding
                    && box.X + box.Width <= pageOrigin.X + page.size.Width + kRounding
                    && box.Y + box.Height <= pageOrigin.Y + page.size.Height + kRounding)
            << "laid out at " << describe(box) << " on the page at (" << pageOrigin.X << ", "
            << pageOrigin.Y << ")";
    }

    /// Messages shown but the one that says which fields stamping fixed.
    std::string shownMessages()
    {
        std::string shown;
        for (const auto& message : messages())
            if (!message.text.startsWith(OUString::fromUtf8(u8"已将 ")))
                shown += " [" + utf8(message.title) + ": " + utf8(message.text) + "]";
        return shown;
    }

    /// The parts the office itself changes when it stores the template's document as
    /// OpenDocument and reads it back, with no seal in it.
    std::string partsTheOfficesSaveChanges()
    {
        WriterDocument fresh
            = WriterDocument::fromTemplate(office(), OFFICE_TEMPLATE_DIR "/" + GetParam());
        const quillmark::PartDigests before
            = quillmark::readDocumentCoverage(office().context(), fresh.model);
        fresh.saveAndReload(office(), "template-unsealed.odt");
        std::string parts;
        for (quillmark::CoveragePart part : quillmark::changedParts(
                 before, quillmark::readDocumentCoverage(office().context(), fresh.model)))
            parts += std::string(quillmark::partKey(part)) + " ";
        return parts;
    }

    static std::string keys(const uno::Sequence<OUString>& changed)
    {
        std::string parts;
        for (const OUString& part : changed)
            parts += utf8(part) + " ";
        return parts;
    }
};
}

TEST(ShippedTemplates, AreFound)
{
    EXPECT_GT(shippedTemplates().size(), 0u) << "no .ott under " OFFICE_TEMPLATE_DIR;
}

TEST_P(TemplateStampTest, StampsAtTheCursorOnItsPageAndVerifiesAfterReload)
{
    if (document.text().isEmpty())
        GTEST_SKIP() << GetParam() << " holds no text";
    document.viewCursor()->gotoEnd(false);
    const Page page = cursorPage();

    ASSERT_TRUE(helper->insertStampArea()) << shownMessages();
    ASSERT_TRUE(helper->stampDocument()) << shownMessages();
    EXPECT_EQ("", shownMessages());
    Reference<beans::XPropertySet> seal = documentSeal();
    ASSERT_TRUE(seal.is()) << "no seal";
    expectSealPlaced(seal, page);

    document.saveAndReload(office(), "template-stamped.odt");
    helper = makeHelper(document.frame);
    const auto seals = helper->surveySeals(false);
    ASSERT_EQ(1, seals.getLength());
    EXPECT_EQ(OUString("document"), seals[0].Kind);
    if (!seals[0].Valid)
    {
        // Only where the office's own save changes what the page shows may the seal say so.
        const std::string byTheOffice = partsTheOfficesSaveChanges();
        EXPECT_NE("", byTheOffice) << utf8(seals[0].Reason);
        EXPECT_EQ(byTheOffice, keys(seals[0].Changed)) << utf8(seals[0].Reason);
        std::cout << GetParam() << ": the office's own save changes " << byTheOffice
                  << "and the seal says so: " << utf8(seals[0].Reason) << std::endl;
    }
    EXPECT_EQ(1, seals[0].Pictures.getLength());
    seal = documentSeal();
    ASSERT_TRUE(seal.is()) << "no seal after the reload";
    expectSealPlaced(seal, page);
    expectSealLaidOutInside(seal, page);
}

INSTANTIATE_TEST_SUITE_P(Office, TemplateStampTest, ::testing::ValuesIn(shippedTemplates()),
                         testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TemplateStampTest);
