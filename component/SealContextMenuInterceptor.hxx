/// Replaces the office's context menu by the suite's seal menu when the click falls on a seal.
#pragma once

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/ui/XContextMenuInterceptor.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase1.hxx>

namespace quillmark
{
class SealContextMenuInterceptor : public cppu::WeakImplHelper1<css::ui::XContextMenuInterceptor>
{
public:
    SealContextMenuInterceptor(const css::uno::Reference<css::frame::XModel>& model,
                               const css::uno::Reference<css::uno::XComponentContext>& context);

    css::ui::ContextMenuInterceptorAction SAL_CALL
    notifyContextMenuExecute(const css::ui::ContextMenuExecuteEvent& event) override;

    css::uno::Sequence<sal_Int8> SAL_CALL getImplementationId() override;

private:
    /// Shows the suite's seal menu at the click; false when the menu service is not there.
    bool showSealMenu(const css::awt::Point& position);

    css::uno::Reference<css::frame::XModel> documentModel;
    css::uno::Reference<css::uno::XComponentContext> componentContext;
};
}
