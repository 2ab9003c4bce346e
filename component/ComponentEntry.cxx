// The library's entry points: the office's component loader registers the component and obtains
// its factory through them.

#include <component/ComponentTexts.hxx>
#include <component/QORVHelper.hxx>

#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/registry/InvalidRegistryException.hpp>
#include <com/sun/star/registry/XRegistryKey.hpp>
#include <cppuhelper/factory.hxx>
#include <rtl/string.h>
#include <uno/lbnames.h>
#include <sal/log.hxx>

using namespace com::sun::star;
using css::uno::Reference;

namespace
{
Reference<uno::XInterface> SAL_CALL createHelper(const Reference<uno::XComponentContext>& context)
{
    return static_cast<cppu::OWeakObject*>(new quillmark::QORVHelper(context));
}
}

extern "C" {

SAL_DLLPUBLIC_EXPORT void SAL_CALL component_getImplementationEnvironment(const char** envTypeName,
                                                                          uno_Environment**)
{
    *envTypeName = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}

SAL_DLLPUBLIC_EXPORT sal_Bool SAL_CALL component_writeInfo(void*, void* registryKey)
{
    if (!registryKey)
        return false;
    try
    {
        auto* rootKey = static_cast<registry::XRegistryKey*>(registryKey);
        Reference<registry::XRegistryKey> servicesKey
            = rootKey->createKey(quillmark::ascii(quillmark::texts::kRegistryKey));
        if (!servicesKey.is())
            return false;
        const uno::Sequence<rtl::OUString> services = quillmark::supportedServiceNames();
        for (sal_Int32 i = services.getLength() - 1; i >= 0; --i)
            servicesKey->createKey(services[i]);
        return true;
    }
    catch (const registry::InvalidRegistryException& exception)
    {
        SAL_WARN("quillmark.component",
                 "the registry refused the component's services: " << exception.Message);
        return false;
    }
}

SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* implName, void*, void*)
{
    if (!implName || rtl_str_compare(implName, quillmark::texts::kImplementationName) != 0)
        return nullptr;
    Reference<lang::XSingleComponentFactory> factory = cppu::createSingleComponentFactory(
        createHelper, quillmark::implementationName(), quillmark::supportedServiceNames());
    if (!factory.is())
        return nullptr;
    factory->acquire();
    return factory.get();
}
}
