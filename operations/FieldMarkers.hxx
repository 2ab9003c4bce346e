/// The annotation markers of field regions, as the field steps walk them.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <functional>
#include <rtl/ustring.hxx>

namespace quillmark
{
/// Calls `visit` with every text field that has a "Content" and that content, in the document's
/// order of fields, until `visit` answers false.
void forEachContentField(
    const css::uno::Reference<css::frame::XModel>& document,
    const std::function<bool(const css::uno::Reference<css::beans::XPropertySet>&,
                             const rtl::OUString&)>& visit);

/// The region from the `start` marker to the `end` marker, in the start marker's text.
css::uno::Reference<css::text::XTextRange>
rangeBetweenMarkers(const css::uno::Reference<css::text::XTextContent>& start,
                    const css::uno::Reference<css::text::XTextContent>& end);

/// The text from the `start` marker to the `end` marker, in the start marker's text.
rtl::OUString textBetweenMarkers(const css::uno::Reference<css::text::XTextContent>& start,
                                 const css::uno::Reference<css::text::XTextContent>& end);

/// The markers of one field, as one walk over the document's fields finds them: the first start
/// and the first end marker bound the field's text, the last start marker holds its signature,
/// and the last marker of each kind places its seal. A marker the document lacks stays empty.
struct FieldMarkerSet
{
    css::uno::Reference<css::beans::XPropertySet> firstStart;
    css::uno::Reference<css::beans::XPropertySet> lastStart;
    css::uno::Reference<css::beans::XPropertySet> firstEnd;
    css::uno::Reference<css::beans::XPropertySet> lastEnd;
    int starts = 0;
    int ends = 0;

    /// More than one marker of a kind. Which region is "first" then rests on the order in which
    /// the office lists fields, which the API does not promise, and a copy of the signed region
    /// could vouch for a changed original beside the seal. Such a field never verifies.
    bool repeated() const { return starts > 1 || ends > 1; }

    /// Takes in one start or end marker of the field, in the order the walk meets them.
    void add(const css::uno::Reference<css::beans::XPropertySet>& marker, bool isStart);

    /// The text between the first start and the first end marker; "" when either is missing.
    rtl::OUString text() const;
    /// The region between the first start and the first end marker; empty when either is
    /// missing.
    css::uno::Reference<css::text::XTextRange> range() const;
    /// The signature the last start marker holds; "" when there is none.
    rtl::OUString signature() const;
};

FieldMarkerSet findFieldMarkers(const css::uno::Reference<css::frame::XModel>& document,
                                const rtl::OUString& fieldName);

/// The text between the field's first start and first end marker; "" when either is missing.
rtl::OUString fieldText(const css::uno::Reference<css::frame::XModel>& document,
                        const rtl::OUString& fieldName);
}
