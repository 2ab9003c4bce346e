/// The seal menu shown on a right-click on a seal: verify, remove, show the seal's details.
#pragma once

#include <Quillmark/UITools/XRightClickPopupMenu.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase3.hxx>

namespace quillmark::uitools
{
namespace css = com::sun::star;

class SealPopupMenu
    : public cppu::WeakImplHelper3<Quillmark::UITools::XRightClickPopupMenu,
                                   css::lang::XInitialization, css::lang::XServiceInfo>
{
public:
    explicit SealPopupMenu(const css::uno::Reference<css::uno::XComponentContext>& context);

    static rtl::OUString implementationName();
    static css::uno::Sequence<rtl::OUString> serviceNames();

    void SAL_CALL execute(sal_Int32 x, sal_Int32 y) override;
    void SAL_CALL initialize(const css::uno::Sequence<css::uno::Any>& arguments) override;

    rtl::OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
    css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

private:
    void showMenu(sal_Int32 x, sal_Int32 y);
    /// Runs the window's seal command; false when the window has none.
    bool dispatchSealCommand(const char* command);

    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::Reference<css::frame::XFrame> frame;
};
}
