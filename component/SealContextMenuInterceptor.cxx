#include <component/SealContextMenuInterceptor.hxx>

#include <common/OfficeNames.hxx>
#include <format/FormatNames.hxx>
#include <common/DeclaredExceptions.hxx>
#include <component/ImplementationId.hxx>
#include <common/UnoHelpers.hxx>

#include <Quillmark/UITools/XRightClickPopupMenu.hpp>
#include <format/ShapeAttributes.hxx>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>

using namespace com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace quillmark
{
namespace
{
bool isSealMark(const OUString& mark)
{
    return mark == ascii(texts::kDocumentSealMark) || mark == ascii(texts::kFieldSealMark);
}

bool isSealSelected(const Reference<uno::XInterface>& selection)
{
    if (offersService(selection, texts::kTextGraphicObject))
        return isSealMark(
            readAlternativeText(Reference<beans::XPropertySet>(selection, UNO_QUERY_THROW)));
    if (!offersService(selection, texts::kShapeCollection))
        return false;
    Reference<container::XIndexAccess> shapes(selection, UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < shapes->getCount(); ++i)
    {
        Reference<uno::XInterface> shape(shapes->getByIndex(i), UNO_QUERY);
        if (offersService(shape, texts::kGraphicObjectShape)
            && isSealMark(getShapeType(Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW))))
            return true;
    }
    return false;
}
}

SealContextMenuInterceptor::SealContextMenuInterceptor(
    const Reference<frame::XModel>& model, const Reference<uno::XComponentContext>& context)
    : documentModel(model)
    , componentContext(context)
{
}

ui::ContextMenuInterceptorAction
SealContextMenuInterceptor::notifyContextMenuExecute(const ui::ContextMenuExecuteEvent& event)
{
    return withDeclaredExceptions([&] {
        Reference<uno::XInterface> selection;
        if (event.Selection.is())
            event.Selection->getSelection() >>= selection;
        if (!isSealSelected(selection) || !showSealMenu(event.ExecutePosition))
            return ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED;
        return ui::ContextMenuInterceptorAction_CANCELLED;
    });
}

bool SealContextMenuInterceptor::showSealMenu(const awt::Point& position)
{
    // A menu needs the document's frame and a service manager to come from; without either the
    // office's own menu opens.
    if (!documentModel.is() || !componentContext.is())
        return false;
    Reference<frame::XController> controller = documentModel->getCurrentController();
    Reference<frame::XFrame> documentFrame = controller.is() ? controller->getFrame() : nullptr;
    Reference<lang::XMultiComponentFactory> manager = componentContext->getServiceManager();
    if (!documentFrame.is() || !manager.is())
        return false;
    Reference<uno::XInterface> service
        = manager->createInstanceWithContext(ascii(texts::kPopupMenuService), componentContext);
    Reference<Quillmark::UITools::XRightClickPopupMenu> menu(service, UNO_QUERY);
    Reference<lang::XInitialization> initialization(service, UNO_QUERY);
    // Without the suite's menu the office's own menu is better than none.
    if (!menu.is() || !initialization.is())
        return false;
    const Any frame(documentFrame);
    initialization->initialize(Sequence<Any>(&frame, 1));
    menu->execute(position.X, position.Y);
    return true;
}

uno::Sequence<sal_Int8> SealContextMenuInterceptor::getImplementationId()
{
    return stableImplementationId<SealContextMenuInterceptor>();
}
}
