#include "SealPopupMenu.hxx"

#include <common/DeclaredExceptions.hxx>
#include <Quillmark/Certificate/XQORVTools.hpp>
#include <com/sun/star/awt/PopupMenuDirection.hpp>
#include <com/sun/star/awt/XPopupMenu.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <cppuhelper/supportsservice.hxx>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace quillmark::uitools
{
namespace
{
enum Item : sal_Int16
{
    kVerify = 1,
    kRemove = 2,
    kDetails = 3
};

/// A seal helper on the same document, which does what the chosen entry says.
Reference<Quillmark::Certificate::XQORVTools>
sealTools(const Reference<uno::XComponentContext>& context, const Reference<frame::XFrame>& frame)
{
    Reference<lang::XInitialization> helper(context->getServiceManager()->createInstanceWithContext(
                                                "Quillmark.Certificate.QORVHelper", context),
                                            UNO_QUERY_THROW);
    const Any frameArgument(frame);
    helper->initialize(Sequence<Any>(&frameArgument, 1));
    return Reference<Quillmark::Certificate::XQORVTools>(helper, UNO_QUERY_THROW);
}
}

SealPopupMenu::SealPopupMenu(const Reference<uno::XComponentContext>& context)
    : componentContext(context)
{
}

OUString SealPopupMenu::implementationName()
{
    return "Quillmark.Implementations.UITools.RCPopupMenu";
}

Sequence<OUString> SealPopupMenu::serviceNames()
{
    const OUString name("Quillmark.UITools.RCPopupMenu");
    return Sequence<OUString>(&name, 1);
}

void SealPopupMenu::initialize(const Sequence<Any>& arguments)
{
    if (arguments.hasElements())
        arguments[0] >>= frame;
}

void SealPopupMenu::execute(sal_Int32 x, sal_Int32 y)
{
    withDeclaredExceptions([&] { showMenu(x, y); });
}

void SealPopupMenu::showMenu(sal_Int32 x, sal_Int32 y)
{
    if (!frame.is())
        return;
    Reference<awt::XPopupMenu> menu(
        componentContext->getServiceManager()->createInstanceWithContext(
            "com.sun.star.awt.PopupMenu", componentContext),
        UNO_QUERY_THROW);
    menu->insertItem(kVerify, OUString::fromUtf8(u8"验证印章"), 0, 0);
    menu->insertItem(kRemove, OUString::fromUtf8(u8"撤销印章"), 0, 1);
    menu->insertItem(kDetails, OUString::fromUtf8(u8"印章信息"), 0, 2);
    Reference<awt::XWindowPeer> parent(frame->getComponentWindow(), UNO_QUERY);
    if (!parent.is())
        return;
    const sal_Int16 chosen = menu->execute(parent, awt::Rectangle(x, y, 0, 0),
                                           awt::PopupMenuDirection::EXECUTE_DEFAULT);
    if (chosen != kVerify && chosen != kRemove && chosen != kDetails)
        return;

    // A field seal is a text graphic: it is checked and removed as the field it belongs to.
    Reference<lang::XServiceInfo> selected(
        Reference<frame::XModel>(frame->getController()->getModel())->getCurrentSelection(),
        UNO_QUERY);
    const bool fieldSeal
        = selected.is() && selected->supportsService("com.sun.star.text.TextGraphicObject");
    // The window's seal commands show their verdict over the document; without them the entry
    // goes to a helper of its own.
    if (dispatchSealCommand(chosen == kVerify   ? (fieldSeal ? "VerifyField" : "VerifyDocument")
                            : chosen == kRemove ? (fieldSeal ? "RemoveFieldSeal" : "RemoveSeal")
                                                : "ShowSealInfo"))
        return;
    Reference<Quillmark::Certificate::XQORVTools> tools = sealTools(componentContext, frame);
    switch (chosen)
    {
        case kVerify:
            fieldSeal ? tools->verifySelectedField() : tools->verifyDocument();
            break;
        case kRemove:
            fieldSeal ? tools->removeSelectedFieldStamp() : tools->removeDocumentStamp();
            break;
        default:
            tools->showCertificateInfo(OUString());
            break;
    }
}

bool SealPopupMenu::dispatchSealCommand(const char* command)
{
    util::URL url;
    url.Complete = "quillmark.seal:" + OUString::createFromAscii(command);
    Reference<frame::XDispatchProvider> provider(frame, UNO_QUERY);
    Reference<frame::XDispatch> dispatch
        = provider.is() ? provider->queryDispatch(url, "_self", 0) : nullptr;
    if (!dispatch.is())
        return false;
    dispatch->dispatch(url, Sequence<beans::PropertyValue>());
    return true;
}

OUString SealPopupMenu::getImplementationName() { return implementationName(); }

sal_Bool SealPopupMenu::supportsService(const OUString& name)
{
    return cppu::supportsService(this, name);
}

Sequence<OUString> SealPopupMenu::getSupportedServiceNames() { return serviceNames(); }
}
