/// The suite's own small dialogs over a document window: a notice and the field-name question.
#pragma once

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <optional>
#include <rtl/ustring.hxx>

namespace quillmark::suite
{
namespace css = com::sun::star;

/// A modal notice over the frame's window, titled as the component's notices are unless
/// `title` says otherwise.
void showNotice(const css::uno::Reference<css::uno::XComponentContext>& context,
                const css::uno::Reference<css::frame::XFrame>& frame, const rtl::OUString& text,
                const rtl::OUString& title = rtl::OUString());

/// Asks for the name of a new field; none when the person cancels.
std::optional<rtl::OUString>
askFieldName(const css::uno::Reference<css::uno::XComponentContext>& context,
             const css::uno::Reference<css::frame::XFrame>& frame);
}
