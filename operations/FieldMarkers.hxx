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

/// The text from the `start` marker to the `end` marker, in the start marker's text.
rtl::OUString textBetweenMarkers(const css::uno::Reference<css::text::XTextContent>& start,
                                 const css::uno::Reference<css::text::XTextContent>& end);

/// The text between the field's first start and first end marker; "" when either is missing.
rtl::OUString fieldText(const css::uno::Reference<css::frame::XModel>& document,
                        const rtl::OUString& fieldName);
}
