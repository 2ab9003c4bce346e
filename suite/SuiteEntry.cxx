// Entry points of the suite's seal commands: the protocol handler of the menu and toolbar, and
// the document-event job that serves every window.

#include "SealDocumentJob.hxx"
#include "SealProtocolHandler.hxx"

#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <cppuhelper/factory.hxx>
#include <rtl/string.h>
#include <uno/lbnames.h>

using namespace com::sun::star;
using css::uno::Reference;

namespace
{
template <class Service>
Reference<uno::XInterface> SAL_CALL create(const Reference<uno::XComponentContext>& context)
{
    return static_cast<cppu::OWeakObject*>(new Service(context));
}

template <class Service>
void* factoryFor(const char* implName)
{
    if (!implName || Service::implementationName() != rtl::OUString::createFromAscii(implName))
        return nullptr;
    Reference<lang::XSingleComponentFactory> factory = cppu::createSingleComponentFactory(
        create<Service>, Service::implementationName(), Service::serviceNames());
    if (!factory.is())
        return nullptr;
    factory->acquire();
    return factory.get();
}
}

extern "C" {

SAL_DLLPUBLIC_EXPORT void SAL_CALL component_getImplementationEnvironment(const char** envTypeName,
                                                                          uno_Environment**)
{
    *envTypeName = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}

SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* implName, void*, void*)
{
    using quillmark::suite::SealDocumentJob;
    using quillmark::suite::SealProtocolHandler;
    if (void* factory = factoryFor<SealProtocolHandler>(implName))
        return factory;
    return factoryFor<SealDocumentJob>(implName);
}
}
