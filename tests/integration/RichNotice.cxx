#include "RichNotice.hxx"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextTable.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace quillmark::test
{
namespace
{
OUString ou(const char* text) { return OUString::fromUtf8(text); }

template <typename T>
Reference<T> create(const WriterDocument& document, const char* service)
{
    return Reference<T>(Reference<lang::XMultiServiceFactory>(document.model, UNO_QUERY_THROW)
                            ->createInstance(OUString::createFromAscii(service)),
                        UNO_QUERY_THROW);
}

void appendParagraph(const Reference<text::XText>& text, const OUString& content)
{
    text->insertControlCharacter(text->getEnd(), text::ControlCharacter::PARAGRAPH_BREAK, false);
    text->insertString(text->getEnd(), content, false);
}

void appendContent(const Reference<text::XText>& text, const Reference<uno::XInterface>& content)
{
    text->insertTextContent(text->getEnd(), Reference<text::XTextContent>(content, UNO_QUERY_THROW),
                            false);
}

void setCell(const Reference<text::XTextTable>& table, const char* cell, const char* content)
{
    Reference<text::XText>(table->getCellByName(OUString::createFromAscii(cell)), UNO_QUERY_THROW)
        ->setString(ou(content));
}

void addHeaderAndFooter(const WriterDocument& document)
{
    Reference<container::XNameAccess> styles(
        Reference<style::XStyleFamiliesSupplier>(document.model, UNO_QUERY_THROW)
            ->getStyleFamilies()
            ->getByName("PageStyles"),
        UNO_QUERY_THROW);
    Reference<beans::XPropertySet> standard(styles->getByName("Standard"), UNO_QUERY_THROW);
    standard->setPropertyValue("HeaderIsOn", Any(true));
    standard->setPropertyValue("FooterIsOn", Any(true));
    Reference<text::XText>(standard->getPropertyValue("HeaderText"), UNO_QUERY_THROW)
        ->setString(ou(notice::kHeader));
    Reference<text::XText> footer(standard->getPropertyValue("FooterText"), UNO_QUERY_THROW);
    footer->setString(ou(notice::kFooter) + "  ");
    auto pageNumber
        = create<beans::XPropertySet>(document, "com.sun.star.text.textfield.PageNumber");
    pageNumber->setPropertyValue("NumberingType", Any(sal_Int16(4))); // ARABIC
    pageNumber->setPropertyValue("SubType", Any(sal_Int32(1)));       // CURRENT
    appendContent(footer, pageNumber);
}

}

void buildRichNotice(WriterDocument& document, const std::string& logoPicture)
{
    Reference<text::XText> text = document.textDocument()->getText();
    text->setString(ou(u8"关于拨付项目资金的通知"));
    appendParagraph(text, ou(u8"经研究，同意拨付下列款项。"));
    auto table = create<text::XTextTable>(document, "com.sun.star.text.TextTable");
    table->initialize(2, 2);
    appendContent(text, table);
    setCell(table, "A1", u8"金额");
    setCell(table, "B1", notice::kAmount);
    setCell(table, "A2", u8"账号");
    setCell(table, "B2", notice::kAccount);

    appendParagraph(text, ou(u8"请于月底前办理。"));
    auto footnote = create<text::XText>(document, "com.sun.star.text.Footnote");
    appendContent(text, footnote);
    footnote->setString(ou(notice::kFootnote));
    auto endnote = create<text::XText>(document, "com.sun.star.text.Endnote");
    appendContent(text, endnote);
    endnote->setString(ou(notice::kEndnote));
    addHeaderAndFooter(document);

    appendParagraph(text, ou(u8"联系人：张三"));
    auto frame = create<beans::XPropertySet>(document, "com.sun.star.text.TextFrame");
    frame->setPropertyValue("AnchorType", Any(text::TextContentAnchorType_AT_PARAGRAPH));
    frame->setPropertyValue("Width", Any(sal_Int32(9000)));
    appendContent(text, frame);
    Reference<text::XText>(frame, UNO_QUERY_THROW)->setString(ou(notice::kFrameAccount));

    appendParagraph(text, ou(u8"合计："));
    document.insertTextGraphic(logoPicture, notice::kPictureName, text->getString().getLength());
    const Reference<drawing::XShape> shape = document.addRectangleShape(3000, 12000);
    Reference<text::XText>(shape, UNO_QUERY_THROW)->setString(ou(notice::kShapeText));

    appendParagraph(text, ou(u8"内部说明：仅供存档。"));
    auto section = create<text::XTextContent>(document, "com.sun.star.text.TextSection");
    Reference<text::XParagraphCursor> last(text->createTextCursor(), UNO_QUERY_THROW);
    last->gotoEnd(false);
    last->gotoStartOfParagraph(true);
    text->insertTextContent(Reference<text::XTextRange>(last, UNO_QUERY_THROW), section, true);
    Reference<container::XNamed>(section, UNO_QUERY_THROW)->setName(notice::kSectionName);
}
}
