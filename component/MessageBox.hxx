/// The modal information box over the document window through which every report reaches the user.
#pragma once

#include <com/sun/star/awt/XToolkit.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <rtl/ustring.hxx>

namespace quillmark
{
/// Shows `text` under `title` and waits until the user closes the box. Silently does nothing
/// without a toolkit or frame, or when the toolkit gives no message box.
void showInfoBox(const css::uno::Reference<css::awt::XToolkit>& toolkit,
                 const css::uno::Reference<css::frame::XFrame>& frame, const rtl::OUString& title,
                 const rtl::OUString& text);
}
