// The factories the office asks a component library for, one per service class. A service class
// names itself (`implementationName()`, `serviceNames()`) and is made from a component context.
#pragma once

#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/factory.hxx>
#include <cppuhelper/weak.hxx>
#include <rtl/ustring.hxx>

namespace quillmark
{
template <class Service>
css::uno::Reference<css::uno::XInterface>
    SAL_CALL makeService(const css::uno::Reference<css::uno::XComponentContext>& context)
{
    return static_cast<cppu::OWeakObject*>(new Service(context));
}

/// The acquired factory of the first of `Services` implemented as `implName`, as
/// component_getFactory answers; null when none is.
template <class Service, class... Others>
void* factoryFor(const char* implName)
{
    if (implName && Service::implementationName() == rtl::OUString::createFromAscii(implName))
    {
        css::uno::Reference<css::lang::XSingleComponentFactory> factory
            = cppu::createSingleComponentFactory(
                makeService<Service>, Service::implementationName(), Service::serviceNames());
        if (!factory.is())
            return nullptr;
        factory->acquire();
        return factory.get();
    }
    if constexpr (sizeof...(Others) > 0)
        return factoryFor<Others...>(implName);
    else
        return nullptr;
}
}
