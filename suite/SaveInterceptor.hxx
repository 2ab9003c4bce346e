/// Stands between a Writer window and the office's save and export commands: before a document
/// that carries seals is written in a format that would lose them, the person is warned and may
/// cancel. Everything else goes to the office unchanged.
#pragma once

#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProviderInterceptor.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/weakref.hxx>
#include <rtl/ref.hxx>
#include <mutex>

namespace quillmark::suite
{
namespace css = com::sun::star;

class SaveInterceptor : public cppu::WeakImplHelper1<css::frame::XDispatchProviderInterceptor>
{
public:
    SaveInterceptor(const css::uno::Reference<css::uno::XComponentContext>& context,
                    const css::uno::Reference<css::frame::XFrame>& frame,
                    const css::uno::Reference<Quillmark::Certificate::XSealSurvey>& survey);

    /// Registers with the frame.
    void attach();
    /// Leaves the frame's chain, which then goes to the office directly.
    void detach();

    /// Runs a save command the office's `original` dispatch would run, asking first where the
    /// seals would be lost.
    void dispatchSave(const css::uno::Reference<css::frame::XDispatch>& original,
                      const css::util::URL& url,
                      const css::uno::Sequence<css::beans::PropertyValue>& arguments);

    // XDispatchProvider
    css::uno::Reference<css::frame::XDispatch>
        SAL_CALL queryDispatch(const css::util::URL& url, const rtl::OUString& targetFrameName,
                               sal_Int32 searchFlags) override;
    css::uno::Sequence<css::uno::Reference<css::frame::XDispatch>> SAL_CALL
    queryDispatches(const css::uno::Sequence<css::frame::DispatchDescriptor>& requests) override;

    // XDispatchProviderInterceptor
    css::uno::Reference<css::frame::XDispatchProvider> SAL_CALL getSlaveDispatchProvider() override;
    void SAL_CALL setSlaveDispatchProvider(
        const css::uno::Reference<css::frame::XDispatchProvider>& provider) override;
    css::uno::Reference<css::frame::XDispatchProvider>
        SAL_CALL getMasterDispatchProvider() override;
    void SAL_CALL setMasterDispatchProvider(
        const css::uno::Reference<css::frame::XDispatchProvider>& provider) override;

private:
    bool carriesSeals();
    css::uno::Reference<css::frame::XDispatch> slaveDispatch(const char* command,
                                                             css::util::URL& url);

    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::WeakReference<css::frame::XFrame> frame;
    std::mutex mutex;
    css::uno::Reference<Quillmark::Certificate::XSealSurvey> survey;
    css::uno::Reference<css::frame::XDispatchProvider> slave;
    css::uno::Reference<css::frame::XDispatchProvider> master;
};
}
