// A field is the text between two annotations whose Content is the field name followed by
// "__@*Start@" and "__@*End@"; the start marker's Author keeps the field's signature.

#include <operations/FieldMarkers.hxx>
#include <operations/OperationTexts.hxx>

#include <common/DeclaredExceptions.hxx>
#include <docstore/DocstoreTexts.hxx>
#include <component/QORVHelper.hxx>
#include <docstore/SignatureFields.hxx>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
OUString startKey(const OUString& fieldName) { return fieldName + ascii(texts::kFieldStartSuffix); }
OUString endKey(const OUString& fieldName) { return fieldName + ascii(texts::kFieldEndSuffix); }
}

void forEachContentField(
    const Reference<frame::XModel>& document,
    const std::function<bool(const Reference<beans::XPropertySet>&, const OUString&)>& visit)
{
    Reference<container::XEnumeration> fields
        = Reference<text::XTextFieldsSupplier>(document, UNO_QUERY_THROW)
              ->getTextFields()
              ->createEnumeration();
    while (fields->hasMoreElements())
    {
        Reference<beans::XPropertySet> field(fields->nextElement(), UNO_QUERY);
        if (!field.is())
            continue;
        // Asked directly: the office builds a fresh property description for every
        // getPropertySetInfo, which cost more than the rest of the walk.
        OUString content;
        try
        {
            field->getPropertyValue("Content") >>= content;
        }
        catch (const beans::UnknownPropertyException& exception)
        {
            SAL_INFO("quillmark.operations", "a field without content: " << exception.Message);
            continue;
        }
        if (!visit(field, content))
            return;
    }
}

namespace
{
Reference<text::XTextField> firstFieldWithContent(const Reference<frame::XModel>& document,
                                                  const OUString& key)
{
    Reference<text::XTextField> found;
    forEachContentField(document,
                        [&](const Reference<beans::XPropertySet>& field, const OUString& content) {
                            if (content != key)
                                return true;
                            found.set(field, UNO_QUERY);
                            return false;
                        });
    return found;
}
}

Reference<text::XTextField> QORVHelper::findFieldByContent(const OUString& key)
{
    return firstFieldWithContent(model(), key);
}

FieldMarkerSet findFieldMarkers(const Reference<frame::XModel>& document, const OUString& fieldName)
{
    const OUString start = startKey(fieldName);
    const OUString end = endKey(fieldName);
    FieldMarkerSet markers;
    forEachContentField(document,
                        [&](const Reference<beans::XPropertySet>& field, const OUString& content) {
                            if (content == start || content == end)
                                markers.add(field, content == start);
                            return true;
                        });
    return markers;
}

void FieldMarkerSet::add(const Reference<beans::XPropertySet>& marker, bool isStart)
{
    Reference<beans::XPropertySet>& first = isStart ? firstStart : firstEnd;
    if (!first.is())
        first = marker;
    (isStart ? lastStart : lastEnd) = marker;
    ++(isStart ? starts : ends);
}

OUString FieldMarkerSet::text() const
{
    Reference<text::XTextRange> region = range();
    return region.is() ? region->getString() : OUString();
}

Reference<text::XTextRange> FieldMarkerSet::range() const
{
    Reference<text::XTextContent> start(firstStart, UNO_QUERY);
    Reference<text::XTextContent> end(firstEnd, UNO_QUERY);
    if (!start.is() || !end.is())
        return {};
    return rangeBetweenMarkers(start, end);
}

OUString FieldMarkerSet::signature() const
{
    OUString value;
    if (lastStart.is())
        lastStart->getPropertyValue("Author") >>= value;
    return value;
}

OUString fieldText(const Reference<frame::XModel>& document, const OUString& fieldName)
{
    return findFieldMarkers(document, fieldName).text();
}

Reference<text::XTextRange> rangeBetweenMarkers(const Reference<text::XTextContent>& start,
                                                const Reference<text::XTextContent>& end)
{
    Reference<text::XTextRange> startAnchor = start->getAnchor();
    Reference<text::XTextCursor> cursor
        = startAnchor->getText()->createTextCursorByRange(startAnchor);
    cursor->gotoRange(end->getAnchor(), true);
    return Reference<text::XTextRange>(cursor, UNO_QUERY_THROW);
}

OUString textBetweenMarkers(const Reference<text::XTextContent>& start,
                            const Reference<text::XTextContent>& end)
{
    return rangeBetweenMarkers(start, end)->getString();
}

OUString QORVHelper::getFieldText(const OUString& fieldName)
{
    return fieldText(model(), fieldName);
}

OUString SAL_CALL QORVHelper::getFieldSignature(const OUString& fieldName)
{
    return withDeclaredExceptions([&]() -> OUString {
        if (!model().is())
            return OUString();
        // The walk goes on past a match: the last start marker of the name decides.
        return findFieldMarkers(model(), fieldName).signature();
    });
}

bool QORVHelper::storeFieldSignature(const OUString& fieldName, const OUString& signature)
{
    Reference<beans::XPropertySet> marker(findFieldByContent(startKey(fieldName)), UNO_QUERY);
    if (!marker.is())
        return false;
    marker->setPropertyValue("Author", Any(signature));
    return true;
}

bool QORVHelper::clearFieldSignature(const OUString& fieldName)
{
    removeUserMaster(model(), fieldName + ascii(texts::kFieldCoverageSuffix));
    return storeFieldSignature(fieldName, OUString());
}

sal_Bool SAL_CALL QORVHelper::isFieldSigned(const OUString& fieldName)
{
    return withDeclaredExceptions(
        [&]() -> sal_Bool { return !getFieldSignature(fieldName).isEmpty(); });
}
}
