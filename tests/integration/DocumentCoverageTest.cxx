// The canonical reading behind a seal's coverage, on real documents: every kind of change a
// reader could see moves exactly its part, and an honest save and reload moves nothing.

#include <format/CoverageManifest.hxx>
#include <docstore/DocumentCoverage.hxx>
#include <OfficeFixture.hxx>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XEndnotesSupplier.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextFramesSupplier.hpp>
#include <com/sun/star/text/XTextGraphicObjectsSupplier.hpp>
#include <com/sun/star/text/XTextSectionsSupplier.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>

#include <functional>

using namespace com::sun::star;
using namespace quillmark::test;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using quillmark::CoveragePart;
using quillmark::PartDigests;

namespace
{
OUString ou(const char* text) { return OUString::fromUtf8(text); }

Reference<lang::XMultiServiceFactory> factory(const WriterDocument& document)
{
    return Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW);
}

Reference<text::XText> body(const WriterDocument& document)
{
    return document.textDocument()->getText();
}

/// Appends a paragraph to the end of `text`.
void appendParagraph(const Reference<text::XText>& text, const OUString& content)
{
    Reference<text::XTextRange> end = text->getEnd();
    text->insertControlCharacter(end, text::ControlCharacter::PARAGRAPH_BREAK, false);
    text->insertString(text->getEnd(), content, false);
}

template <typename T>
Reference<T> named(const Reference<container::XNameAccess>& all, const char* name)
{
    return Reference<T>(all->getByName(ou(name)), UNO_QUERY_THROW);
}

Reference<beans::XPropertySet> pageStyle(const WriterDocument& document, const char* name)
{
    Reference<container::XNameAccess> styles(
        Reference<style::XStyleFamiliesSupplier>(document.model, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("PageStyles"),
        UNO_QUERY_THROW);
    return named<beans::XPropertySet>(styles, name);
}

/// The first paragraph of `text` whose string is `content`, as a range to format.
Reference<beans::XPropertySet> wordRange(const Reference<text::XText>& text, const OUString& word)
{
    const OUString all = text->getString();
    const sal_Int32 at = all.indexOf(word);
    if (at < 0)
        throw std::runtime_error("no such word");
    Reference<text::XTextCursor> cursor = text->createTextCursor();
    cursor->gotoStart(false);
    cursor->goRight(static_cast<sal_Int16>(at), false);
    cursor->goRight(static_cast<sal_Int16>(word.getLength()), true);
    return Reference<beans::XPropertySet>(cursor, UNO_QUERY_THROW);
}

class DocumentCoverageTest : public OfficeTest
{
protected:
    /// A notice with something of every part: a table with an amount, a footnote and an
    /// endnote, a header and a footer with a page number, a text frame, a picture, a drawing,
    /// a section and a numbered list.
    void buildNotice()
    {
        Reference<text::XText> text = body(document);
        text->setString(ou("关于拨付项目资金的通知"));
        appendParagraph(text, ou("经研究，同意拨付下列款项。"));
        Reference<text::XTextTable> table(
            factory(document)->createInstance("com.sun.star.text.TextTable"), UNO_QUERY_THROW);
        table->initialize(2, 2);
        text->insertTextContent(text->getEnd(),
                                Reference<text::XTextContent>(table, UNO_QUERY_THROW), false);
        Reference<text::XText>(table->getCellByName("A1"), UNO_QUERY_THROW)->setString(ou("金额"));
        Reference<text::XText>(table->getCellByName("B1"), UNO_QUERY_THROW)
            ->setString(ou("壹拾万元整"));
        Reference<text::XText>(table->getCellByName("A2"), UNO_QUERY_THROW)->setString(ou("账号"));
        Reference<text::XText>(table->getCellByName("B2"), UNO_QUERY_THROW)
            ->setString(ou("6222 0000 1111"));
        appendParagraph(text, ou("请于月底前办理。"));

        Reference<text::XTextContent> footnote(
            factory(document)->createInstance("com.sun.star.text.Footnote"), UNO_QUERY_THROW);
        text->insertTextContent(text->getEnd(), footnote, false);
        Reference<text::XText>(footnote, UNO_QUERY_THROW)->setString(ou("依据财政局文件。"));
        Reference<text::XTextContent> endnote(
            factory(document)->createInstance("com.sun.star.text.Endnote"), UNO_QUERY_THROW);
        text->insertTextContent(text->getEnd(), endnote, false);
        Reference<text::XText>(endnote, UNO_QUERY_THROW)->setString(ou("附件略。"));

        Reference<beans::XPropertySet> standard = pageStyle(document, "Standard");
        standard->setPropertyValue("HeaderIsOn", Any(true));
        standard->setPropertyValue("FooterIsOn", Any(true));
        Reference<text::XText> header(standard->getPropertyValue("HeaderText"), UNO_QUERY_THROW);
        header->setString(ou("某某市财政局"));
        Reference<text::XText> footer(standard->getPropertyValue("FooterText"), UNO_QUERY_THROW);
        footer->setString(ou("第 "));
        Reference<text::XTextContent> pageNumber(
            factory(document)->createInstance("com.sun.star.text.textfield.PageNumber"),
            UNO_QUERY_THROW);
        Reference<beans::XPropertySet>(pageNumber, UNO_QUERY_THROW)
            ->setPropertyValue("NumberingType", Any(sal_Int16(4))); // ARABIC
        Reference<beans::XPropertySet>(pageNumber, UNO_QUERY_THROW)
            ->setPropertyValue("SubType", Any(sal_Int32(1))); // CURRENT
        footer->insertTextContent(footer->getEnd(), pageNumber, false);

        appendParagraph(text, ou("联系人：张三"));
        Reference<text::XTextContent> frame(
            factory(document)->createInstance("com.sun.star.text.TextFrame"), UNO_QUERY_THROW);
        Reference<beans::XPropertySet>(frame, UNO_QUERY_THROW)
            ->setPropertyValue("AnchorType", Any(text::TextContentAnchorType_AT_PARAGRAPH));
        text->insertTextContent(text->getEnd(), frame, false);
        Reference<text::XText>(frame, UNO_QUERY_THROW)->setString(ou("开户行：某某银行"));

        document.insertTextGraphic(pictureFile("coverage-logo.gif", 60, 40), "logo",
                                   body(document)->getString().getLength());
        document.addRectangleShape(3000, 9000);

        appendParagraph(text, ou("内部说明：仅供存档。"));
        Reference<text::XTextContent> section(
            factory(document)->createInstance("com.sun.star.text.TextSection"), UNO_QUERY_THROW);
        Reference<text::XParagraphCursor> last(text->createTextCursor(), UNO_QUERY_THROW);
        last->gotoEnd(false);
        last->gotoStartOfParagraph(true);
        text->insertTextContent(Reference<text::XTextRange>(last, UNO_QUERY_THROW), section, true);
        Reference<container::XNamed>(section, UNO_QUERY_THROW)->setName("internal");
        // A second section made after the first but before it in the text: a reload lists the
        // sections in the text's order.
        Reference<text::XTextContent> heading(
            factory(document)->createInstance("com.sun.star.text.TextSection"), UNO_QUERY_THROW);
        Reference<text::XParagraphCursor> first(text->createTextCursor(), UNO_QUERY_THROW);
        first->gotoStart(false);
        first->gotoEndOfParagraph(true);
        text->insertTextContent(Reference<text::XTextRange>(first, UNO_QUERY_THROW), heading, true);
        Reference<container::XNamed>(heading, UNO_QUERY_THROW)->setName("heading");
    }

    PartDigests coverage()
    {
        return quillmark::readDocumentCoverage(office().context(), document.model);
    }

    /// The parts a verdict would name.
    static std::vector<CoveragePart> changedParts(const PartDigests& before,
                                                  const PartDigests& after)
    {
        return quillmark::changedParts(before, after);
    }

    static std::string names(const std::vector<CoveragePart>& parts)
    {
        std::string text;
        for (CoveragePart part : parts)
            text += std::string(quillmark::partKey(part)) + " ";
        return text;
    }
};

TEST_F(DocumentCoverageTest, AnOpenDocumentSaveAndReloadChangesNothing)
{
    buildNotice();
    const PartDigests before = coverage();
    document.saveAndReload(office(), "coverage-notice.odt");
    const PartDigests after = coverage();
    EXPECT_EQ(names(changedParts(before, after)), "");
    // Twice more: the first reload may settle what a new document had not written yet.
    document.saveAndReload(office(), "coverage-notice-2.odt");
    EXPECT_EQ(names(changedParts(before, coverage())), "");
}

struct Forgery
{
    const char* name;
    std::function<void(WriterDocument&)> change;
    std::vector<CoveragePart> parts;
};

TEST_F(DocumentCoverageTest, EveryChangeAReaderCouldSeeMovesExactlyItsPart)
{
    const std::vector<Forgery> forgeries = {
        { "a letter of the body",
          [](WriterDocument& d) { d.insertText(2, ou("不")); },
          { CoveragePart::Body } },
        { "the amount in the table",
          [](WriterDocument& d) {
              Reference<text::XTextTablesSupplier> tables(d.model, UNO_QUERY_THROW);
              Reference<text::XTextTable> table(
                  Reference<container::XIndexAccess>(tables->getTextTables(), UNO_QUERY_THROW)
                      ->getByIndex(0),
                  UNO_QUERY_THROW);
              Reference<text::XText>(table->getCellByName("B1"), UNO_QUERY_THROW)
                  ->setString(ou("壹佰万元整"));
          },
          { CoveragePart::Tables } },
        { "the header",
          [](WriterDocument& d) {
              Reference<text::XText>(pageStyle(d, "Standard")->getPropertyValue("HeaderText"),
                                     UNO_QUERY_THROW)
                  ->setString(ou("某某市审计局"));
          },
          { CoveragePart::HeadersFooters } },
        { "the footnote",
          [](WriterDocument& d) {
              Reference<container::XIndexAccess> notes
                  = Reference<text::XFootnotesSupplier>(d.model, UNO_QUERY_THROW)->getFootnotes();
              Reference<text::XText>(notes->getByIndex(0), UNO_QUERY_THROW)
                  ->setString(ou("依据审计局文件。"));
          },
          { CoveragePart::Notes } },
        { "the endnote",
          [](WriterDocument& d) {
              Reference<container::XIndexAccess> notes
                  = Reference<text::XEndnotesSupplier>(d.model, UNO_QUERY_THROW)->getEndnotes();
              Reference<text::XText>(notes->getByIndex(0), UNO_QUERY_THROW)
                  ->setString(ou("附件一份。"));
          },
          { CoveragePart::Notes } },
        { "the bank in the text frame",
          [](WriterDocument& d) {
              Reference<container::XIndexAccess> frames(
                  Reference<text::XTextFramesSupplier>(d.model, UNO_QUERY_THROW)->getTextFrames(),
                  UNO_QUERY_THROW);
              Reference<text::XText>(frames->getByIndex(0), UNO_QUERY_THROW)
                  ->setString(ou("开户行：另一银行"));
          },
          { CoveragePart::Frames } },
        { "the picture moved",
          [](WriterDocument& d) {
              Reference<beans::XPropertySet> logo = d.textGraphic("logo");
              logo->setPropertyValue("HoriOrient", Any(sal_Int16(0))); // NONE
              logo->setPropertyValue("HoriOrientPosition", Any(sal_Int32(5000)));
          },
          { CoveragePart::Pictures } },
        { "the drawing recoloured",
          [](WriterDocument& d) {
              for (const auto& shape : d.drawShapes())
                  if (Reference<lang::XServiceInfo>(shape, UNO_QUERY_THROW)
                          ->supportsService("com.sun.star.drawing.RectangleShape"))
                      Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW)
                          ->setPropertyValue("FillColor", Any(sal_Int32(0xffffff)));
          },
          { CoveragePart::Pictures } },
        { "the amount struck through twice",
          [](WriterDocument& d) {
              Reference<text::XTextTablesSupplier> tables(d.model, UNO_QUERY_THROW);
              Reference<text::XTextTable> table(
                  Reference<container::XIndexAccess>(tables->getTextTables(), UNO_QUERY_THROW)
                      ->getByIndex(0),
                  UNO_QUERY_THROW);
              Reference<beans::XPropertySet>(table->getCellByName("B1"), UNO_QUERY_THROW);
              Reference<text::XText> cell(table->getCellByName("B1"), UNO_QUERY_THROW);
              wordRange(cell, ou("壹拾万元整"))
                  ->setPropertyValue("CharStrikeout", Any(sal_Int16(2))); // DOUBLE
          },
          { CoveragePart::Format } },
        { "the amount enlarged until what follows it moves to the next page",
          [](WriterDocument& d) {
              Reference<text::XTextTablesSupplier> tables(d.model, UNO_QUERY_THROW);
              Reference<text::XTextTable> table(
                  Reference<container::XIndexAccess>(tables->getTextTables(), UNO_QUERY_THROW)
                      ->getByIndex(0),
                  UNO_QUERY_THROW);
              Reference<text::XText> cell(table->getCellByName("B1"), UNO_QUERY_THROW);
              // The layout places every object below anew; what is stored of them stays.
              for (const char* height : { "CharHeight", "CharHeightAsian" })
                  wordRange(cell, ou("壹拾万元整"))
                      ->setPropertyValue(OUString::createFromAscii(height), Any(float(400)));
              // Laid out now, as a document opened afresh is before anybody checks it.
              sal_Int32 pages = 0;
              Reference<beans::XPropertySet>(d.controller, UNO_QUERY_THROW)
                  ->getPropertyValue("PageCount")
                  >>= pages;
              ASSERT_GT(pages, 1) << "what follows the amount is on the next page";
          },
          { CoveragePart::Format } },
        { "a paragraph coloured white",
          [](WriterDocument& d) {
              wordRange(body(d), ou("请于月底前办理。"))
                  ->setPropertyValue("CharColor", Any(sal_Int32(0xffffff)));
          },
          { CoveragePart::Format } },
        { "a word hidden",
          [](WriterDocument& d) {
              wordRange(body(d), ou("同意"))->setPropertyValue("CharHidden", Any(true));
          },
          { CoveragePart::Format } },
        { "the section hidden",
          [](WriterDocument& d) {
              Reference<container::XNameAccess> sections
                  = Reference<text::XTextSectionsSupplier>(d.model, UNO_QUERY_THROW)
                        ->getTextSections();
              named<beans::XPropertySet>(sections, "internal")
                  ->setPropertyValue("IsVisible", Any(false));
          },
          { CoveragePart::Format } },
    };
    for (const Forgery& forgery : forgeries)
    {
        SCOPED_TRACE(forgery.name);
        useDocument(OUString());
        buildNotice();
        const PartDigests before = coverage();
        forgery.change(document);
        EXPECT_EQ(names(changedParts(before, coverage())), names(forgery.parts));
    }
}
}
