#include "SealContextMenuInterceptor.hxx"

#include "ImplementationId.hxx"

using namespace com::sun::star;
using css::uno::Reference;

namespace quillmark
{
SealContextMenuInterceptor::SealContextMenuInterceptor(
    const Reference<frame::XModel>& model, const Reference<uno::XComponentContext>& context)
    : documentModel(model)
    , componentContext(context)
{
}

ui::ContextMenuInterceptorAction
SealContextMenuInterceptor::notifyContextMenuExecute(const ui::ContextMenuExecuteEvent&)
{
    return ui::ContextMenuInterceptorAction_EXECUTE_MODIFIED;
}

uno::Sequence<sal_Int8> SealContextMenuInterceptor::getImplementationId()
{
    return stableImplementationId<SealContextMenuInterceptor>();
}
}
