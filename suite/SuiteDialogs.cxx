#include "SuiteDialogs.hxx"

#include "SuiteTexts.hxx"

#include <DialogBuilder.hxx>
#include <com/sun/star/awt/MessageBoxButtons.hpp>
#include <com/sun/star/awt/MessageBoxType.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using rtl::OUString;

namespace quillmark::suite
{
namespace
{
constexpr char kNoticeTitle[] = u8"提示";

Reference<awt::XWindowPeer> windowOf(const Reference<frame::XFrame>& frame)
{
    return frame.is() ? Reference<awt::XWindowPeer>(frame->getContainerWindow(), UNO_QUERY)
                      : Reference<awt::XWindowPeer>();
}
}

void showNotice(const Reference<uno::XComponentContext>& context,
                const Reference<frame::XFrame>& frame, const OUString& text, const OUString& title)
{
    Reference<awt::XWindowPeer> parent = windowOf(frame);
    Reference<awt::XMessageBoxFactory> boxes(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.awt.Toolkit",
                                                                context),
        UNO_QUERY);
    if (!parent.is() || !boxes.is())
        return;
    Reference<awt::XMessageBox> box = boxes->createMessageBox(
        parent, awt::MessageBoxType_INFOBOX, awt::MessageBoxButtons::BUTTONS_OK,
        title.isEmpty() ? OUString::fromUtf8(kNoticeTitle) : title, text);
    if (box.is())
        box->execute();
}

std::optional<OUString> askFieldName(const Reference<uno::XComponentContext>& context,
                                     const Reference<frame::XFrame>& frame)
{
    uitools::DialogBuilder dialog(context, OUString::fromUtf8(texts::kFieldNameTitle), 180, 60);
    dialog.addLabel("label", OUString::fromUtf8(texts::kFieldNameLabel), 8, 10, 164);
    dialog.addEdit("name", OUString(), 8, 22, 164, 12, false);
    dialog.addOkCancel(OUString::fromUtf8(texts::kOk), OUString::fromUtf8(texts::kCancel));
    if (!dialog.execute(windowOf(frame)))
        return std::nullopt;
    return dialog.text("name");
}
}
