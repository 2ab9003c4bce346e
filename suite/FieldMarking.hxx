/// Field regions as a person handles them: the field around the cursor, and marking a selected
/// stretch of text as a new field with its two annotation markers.
#pragma once

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <rtl/ustring.hxx>

namespace quillmark::suite
{
namespace css = com::sun::star;

struct EnclosingField
{
    rtl::OUString name;
    bool isSigned = false;
};

/// The field whose start and end markers enclose `position` (the innermost when fields nest);
/// an empty name when none does.
EnclosingField fieldEnclosing(const css::uno::Reference<css::frame::XModel>& document,
                              const css::uno::Reference<css::text::XTextRange>& position);

/// True when some marker already carries the field name.
bool fieldNameTaken(const css::uno::Reference<css::frame::XModel>& document,
                    const rtl::OUString& name);

/// Puts an end marker after `range` and an unsigned start marker before it.
void markField(const css::uno::Reference<css::frame::XModel>& document,
               const css::uno::Reference<css::text::XTextRange>& range, const rtl::OUString& name);

/// The first selected stretch of text, or empty when the selection is no text or is collapsed.
css::uno::Reference<css::text::XTextRange>
selectedText(const css::uno::Reference<css::frame::XModel>& document);
}
