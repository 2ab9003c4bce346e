#include "FieldMarking.hxx"

#include "SuiteTexts.hxx"

#include <operations/OperationTexts.hxx>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextField.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextRangeCompare.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <map>
#include <optional>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
struct Markers
{
    Reference<text::XTextRange> start;
    Reference<text::XTextRange> end;
    bool isSigned = false;
};

/// Every field name with its first start and first end marker, as the field steps find them.
std::map<OUString, Markers> markersOf(const Reference<frame::XModel>& document)
{
    const OUString startSuffix = OUString::createFromAscii(quillmark::texts::kFieldStartSuffix);
    const OUString endSuffix = OUString::createFromAscii(quillmark::texts::kFieldEndSuffix);
    std::map<OUString, Markers> found;
    Reference<container::XEnumeration> fields
        = Reference<text::XTextFieldsSupplier>(document, UNO_QUERY_THROW)
              ->getTextFields()
              ->createEnumeration();
    while (fields->hasMoreElements())
    {
        Reference<text::XTextField> field(fields->nextElement(), UNO_QUERY);
        Reference<beans::XPropertySet> properties(field, UNO_QUERY);
        if (!properties.is() || !properties->getPropertySetInfo()->hasPropertyByName("Content"))
            continue;
        OUString content;
        properties->getPropertyValue("Content") >>= content;
        if (content.endsWith(startSuffix))
        {
            Markers& markers
                = found[content.copy(0, content.getLength() - startSuffix.getLength())];
            if (markers.start.is())
                continue;
            markers.start = field->getAnchor();
            OUString author;
            if (properties->getPropertySetInfo()->hasPropertyByName("Author"))
                properties->getPropertyValue("Author") >>= author;
            markers.isSigned = !author.isEmpty();
        }
        else if (content.endsWith(endSuffix))
        {
            Markers& markers = found[content.copy(0, content.getLength() - endSuffix.getLength())];
            if (!markers.end.is())
                markers.end = field->getAnchor();
        }
    }
    return found;
}

/// Order of two ranges of one text: positive when `a` starts before `b`; empty when they lie in
/// different texts.
std::optional<sal_Int16> compareStarts(const Reference<text::XTextRange>& a,
                                       const Reference<text::XTextRange>& b)
{
    try
    {
        Reference<text::XTextRangeCompare> compare(a->getText(), UNO_QUERY);
        if (!compare.is())
            return std::nullopt;
        return compare->compareRegionStarts(a, b);
    }
    catch (const lang::IllegalArgumentException& exception)
    {
        SAL_INFO("quillmark.suite", "ranges of different texts: " << exception.Message);
        return std::nullopt;
    }
}
}

EnclosingField fieldEnclosing(const Reference<frame::XModel>& document,
                              const Reference<text::XTextRange>& position)
{
    EnclosingField result;
    if (!document.is() || !position.is())
        return result;
    Reference<text::XTextRange> innermostStart;
    for (const auto& [name, markers] : markersOf(document))
    {
        if (!markers.start.is() || !markers.end.is())
            continue;
        const auto afterStart = compareStarts(markers.start, position);
        const auto beforeEnd = compareStarts(position, markers.end);
        if (!afterStart || !beforeEnd || *afterStart < 0 || *beforeEnd < 0)
            continue;
        if (innermostStart.is())
        {
            const auto inner = compareStarts(innermostStart, markers.start);
            if (!inner || *inner <= 0)
                continue;
        }
        innermostStart = markers.start;
        result.name = name;
        result.isSigned = markers.isSigned;
    }
    return result;
}

bool fieldNameTaken(const Reference<frame::XModel>& document, const OUString& name)
{
    return markersOf(document).count(name) != 0;
}

void markField(const Reference<frame::XModel>& document, const Reference<text::XTextRange>& range,
               const OUString& name)
{
    Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
    Reference<text::XText> text = range->getText();
    // Both ends are taken before anything is inserted: each marker takes a position of its own.
    Reference<text::XTextRange> end(text->createTextCursorByRange(range->getEnd()),
                                    UNO_QUERY_THROW);
    Reference<text::XTextRange> start(text->createTextCursorByRange(range->getStart()),
                                      UNO_QUERY_THROW);
    auto insertMarker = [&](const Reference<text::XTextRange>& at, const char* suffix) {
        Reference<beans::XPropertySet> marker(
            factory->createInstance(OUString::createFromAscii(texts::kAnnotationService)),
            UNO_QUERY_THROW);
        marker->setPropertyValue("Content", Any(name + OUString::createFromAscii(suffix)));
        // A start marker with an author counts as signed: the office's user name must not stand
        // in for a signature.
        marker->setPropertyValue("Author", Any(OUString()));
        text->insertTextContent(at, Reference<text::XTextContent>(marker, UNO_QUERY_THROW), false);
    };
    insertMarker(end, quillmark::texts::kFieldEndSuffix);
    insertMarker(start, quillmark::texts::kFieldStartSuffix);
}

Reference<text::XTextRange> selectedText(const Reference<frame::XModel>& document)
{
    if (!document.is())
        return {};
    // A selected shape is an index of shapes, some with text of their own: only text counts.
    Reference<uno::XInterface> selection = document->getCurrentSelection();
    Reference<lang::XServiceInfo> info(selection, UNO_QUERY);
    if (!info.is() || !info->supportsService("com.sun.star.text.TextRanges"))
        return {};
    Reference<container::XIndexAccess> ranges(selection, UNO_QUERY);
    if (!ranges.is() || ranges->getCount() == 0)
        return {};
    Reference<text::XTextRange> first(ranges->getByIndex(0), UNO_QUERY);
    if (!first.is())
        return {};
    // Compared, not read: reading a range's text makes the office tell its selection listeners
    // again.
    const auto order = compareStarts(first->getStart(), first->getEnd());
    if (!order || *order == 0)
        return {};
    return first;
}
}
