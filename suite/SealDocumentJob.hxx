/// The job the office runs on the document events of every window: a text document that is
/// created or opened gets its seal side at once, and an opened one has its seals verified.
#pragma once

#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase2.hxx>

namespace quillmark::suite
{
namespace css = com::sun::star;

class SealDocumentJob : public cppu::WeakImplHelper2<css::task::XJob, css::lang::XServiceInfo>
{
public:
    explicit SealDocumentJob(const css::uno::Reference<css::uno::XComponentContext>& context);

    static rtl::OUString implementationName();
    static css::uno::Sequence<rtl::OUString> serviceNames();

    css::uno::Any SAL_CALL
    execute(const css::uno::Sequence<css::beans::NamedValue>& arguments) override;

    rtl::OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
    css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

private:
    css::uno::Reference<css::uno::XComponentContext> componentContext;
};
}
