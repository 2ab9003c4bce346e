/// The handler of the "quillmark.seal:" URLs of the seal menu and toolbar: one per frame, made by
/// the office; each URL is dispatched to the frame's seal side.
#pragma once

#include "FrameSeals.hxx"

#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase3.hxx>

namespace quillmark::suite
{
class SealProtocolHandler
    : public cppu::WeakImplHelper3<css::frame::XDispatchProvider, css::lang::XInitialization,
                                   css::lang::XServiceInfo>
{
public:
    explicit SealProtocolHandler(const css::uno::Reference<css::uno::XComponentContext>& context);

    static rtl::OUString implementationName();
    static css::uno::Sequence<rtl::OUString> serviceNames();

    css::uno::Reference<css::frame::XDispatch>
        SAL_CALL queryDispatch(const css::util::URL& url, const rtl::OUString& targetFrameName,
                               sal_Int32 searchFlags) override;
    css::uno::Sequence<css::uno::Reference<css::frame::XDispatch>> SAL_CALL
    queryDispatches(const css::uno::Sequence<css::frame::DispatchDescriptor>& requests) override;

    void SAL_CALL initialize(const css::uno::Sequence<css::uno::Any>& arguments) override;

    rtl::OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
    css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

private:
    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::Reference<css::frame::XFrame> frame;
};

/// One seal command of one window.
class SealDispatch : public cppu::WeakImplHelper1<css::frame::XDispatch>
{
public:
    SealDispatch(const rtl::Reference<FrameSeals>& seals, SealCommand command);

    void SAL_CALL dispatch(const css::util::URL& url,
                           const css::uno::Sequence<css::beans::PropertyValue>& arguments) override;
    void SAL_CALL
    addStatusListener(const css::uno::Reference<css::frame::XStatusListener>& listener,
                      const css::util::URL& url) override;
    void SAL_CALL
    removeStatusListener(const css::uno::Reference<css::frame::XStatusListener>& listener,
                         const css::util::URL& url) override;

private:
    rtl::Reference<FrameSeals> seals;
    SealCommand command;
};
}
