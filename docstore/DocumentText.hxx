/// The body text that seals sign.
#pragma once

#include <com/sun/star/frame/XModel.hpp>
#include <rtl/ustring.hxx>

namespace quillmark
{
/// The document's body text; throws when there is no document.
rtl::OUString documentText(const css::uno::Reference<css::frame::XModel>& document);
}
