/// 印章 › 导出为盖章 PDF…: the window's document as a PDF that carries its seals' signatures, made
/// by the same code as quillmark-export-pdf inside this office. The file is asked for with the
/// office's file picker unless the command names it; the PINs in the suite's PIN box.
#pragma once

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/uno/XInterface.hpp>
#include <optional>
#include <rtl/ustring.hxx>

namespace quillmark::suite
{
namespace css = com::sun::star;

/// What the export came to, in a line for the window.
struct SealedPdfResult
{
    bool written = false;
    rtl::OUString message;
};

/// Exports the frame's document to the file URL `target`, or to one the picker asks for when it
/// is empty; none when the person cancels the picker. `helper` is the window's seal helper.
std::optional<SealedPdfResult>
exportSealedPdf(const css::uno::Reference<css::uno::XComponentContext>& context,
                const css::uno::Reference<css::frame::XFrame>& frame,
                const css::uno::Reference<css::uno::XInterface>& helper,
                const rtl::OUString& target);
}
