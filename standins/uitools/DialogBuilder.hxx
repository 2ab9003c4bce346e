/// Small modal dialogs made of the office's own controls.
#pragma once

#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <map>
#include <rtl/ustring.hxx>

namespace quillmark::uitools
{
namespace css = com::sun::star;

/// Lays controls out on a dialog model; sizes are in the toolkit's font-relative units.
class DialogBuilder
{
public:
    DialogBuilder(const css::uno::Reference<css::uno::XComponentContext>& context,
                  const rtl::OUString& title, sal_Int32 width, sal_Int32 height);

    void addLabel(const char* name, const rtl::OUString& text, sal_Int32 x, sal_Int32 y,
                  sal_Int32 width, sal_Int32 height = 10);
    /// A label in bold, in the colour given as 0xRRGGBB.
    void addLabel(const char* name, const rtl::OUString& text, sal_Int32 x, sal_Int32 y,
                  sal_Int32 width, sal_Int32 height, bool bold, sal_Int32 colour);
    /// A text field; `echo` hides what is typed (a PIN).
    void addEdit(const char* name, const rtl::OUString& text, sal_Int32 x, sal_Int32 y,
                 sal_Int32 width, sal_Int32 height, bool multiLine, bool echo = false);
    /// A picture from its file; `fallback` is shown when the file cannot be read.
    void addImage(const char* name, const rtl::OUString& url, sal_Int32 x, sal_Int32 y,
                  sal_Int32 width, sal_Int32 height,
                  const css::uno::Reference<css::graphic::XGraphic>& fallback = {});
    /// A picture from its file's bytes (GIF, PNG, ...); nothing is shown for no bytes. In black
    /// and white where `blackAndWhite`, as an invalid seal is drawn on the page.
    void addImageBytes(const char* name, const css::uno::Sequence<sal_Int8>& bytes, sal_Int32 x,
                       sal_Int32 y, sal_Int32 width, sal_Int32 height, bool blackAndWhite = false);
    /// One button at the dialog's bottom right that closes it.
    void addClose(const rtl::OUString& label);
    /// OK and Cancel at the dialog's bottom right.
    void addOkCancel(const rtl::OUString& ok, const rtl::OUString& cancel);

    /// Runs the dialog over `parent`; true when the user confirmed it.
    bool execute(const css::uno::Reference<css::awt::XWindowPeer>& parent);
    /// A text field's text after `execute`.
    rtl::OUString text(const char* name) const;

private:
    css::uno::Reference<css::beans::XPropertySet> addControl(const char* service, const char* name,
                                                             sal_Int32 x, sal_Int32 y,
                                                             sal_Int32 width, sal_Int32 height);

    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::Reference<css::container::XNameContainer> controls;
    sal_Int32 dialogWidth;
    sal_Int32 dialogHeight;
    std::map<rtl::OUString, rtl::OUString> texts;
};
}
