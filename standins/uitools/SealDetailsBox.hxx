/// The seal details box: the picture, the details and the verdict that the electronic-seal
/// library hands over for a document seal, shown with the office's own controls.
#pragma once

#include <Quillmark/UITools/XSealDetailsBox.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase3.hxx>

namespace quillmark::uitools
{
namespace css = com::sun::star;

class SealDetailsBox
    : public cppu::WeakImplHelper3<Quillmark::UITools::XSealDetailsBox, css::lang::XInitialization,
                                   css::lang::XServiceInfo>
{
public:
    explicit SealDetailsBox(const css::uno::Reference<css::uno::XComponentContext>& context);

    static rtl::OUString implementationName();
    static css::uno::Sequence<rtl::OUString> serviceNames();

    void SAL_CALL setTitle(const rtl::OUString& title) override;
    void SAL_CALL setPicture(const css::uno::Sequence<sal_Int8>& gif) override;
    void SAL_CALL setDetails(const css::uno::Sequence<css::beans::StringPair>& details) override;
    void SAL_CALL setVerdict(sal_Bool valid, const rtl::OUString& verdict) override;
    void SAL_CALL execute() override;

    void SAL_CALL initialize(const css::uno::Sequence<css::uno::Any>& arguments) override;

    rtl::OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
    css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

private:
    void show();

    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::Reference<css::frame::XFrame> frame;
    rtl::OUString title;
    css::uno::Sequence<sal_Int8> picture;
    css::uno::Sequence<css::beans::StringPair> details;
    bool valid = false;
    rtl::OUString verdict;
};
}
