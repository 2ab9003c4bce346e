#include <component/MessageBox.hxx>

#include <com/sun/star/awt/WindowAttribute.hpp>
#include <com/sun/star/awt/WindowDescriptor.hpp>
#include <com/sun/star/awt/XMessageBox.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace quillmark
{
void showInfoBox(const Reference<awt::XToolkit>& toolkit, const Reference<frame::XFrame>& frame,
                 const rtl::OUString& title, const rtl::OUString& text)
{
    if (!frame.is() || !toolkit.is())
        return;

    awt::WindowDescriptor descriptor;
    descriptor.Type = awt::WindowClass_MODALTOP;
    descriptor.WindowServiceName = "infobox";
    descriptor.ParentIndex = -1;
    descriptor.Parent.set(frame->getContainerWindow(), UNO_QUERY);
    descriptor.Bounds = awt::Rectangle(400, 300, 300, 200);
    descriptor.WindowAttributes = awt::WindowAttribute::BORDER | awt::WindowAttribute::MOVEABLE
                                  | awt::WindowAttribute::CLOSEABLE;

    const Reference<awt::XWindowPeer> window = toolkit->createWindow(descriptor);
    if (!window.is())
        return;
    // A closed box is of no further use; the office would otherwise keep its window until the
    // last reference goes, however many boxes a session shows.
    struct DisposeOnExit
    {
        const Reference<awt::XWindowPeer>& window;
        ~DisposeOnExit()
        {
            try
            {
                window->dispose();
            }
            catch (const uno::RuntimeException& exception)
            {
                SAL_INFO(
                    "quillmark.component",
                    "the message box's window went before its disposal: " << exception.Message);
            }
        }
    } disposal{ window };
    Reference<awt::XMessageBox> box(window, UNO_QUERY);
    if (!box.is())
        return;
    box->setCaptionText(title);
    box->setMessageText(text);
    box->execute();
}
}
