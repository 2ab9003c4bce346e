/// Keeps an operation's exceptions to those its interface declares.
#pragma once

#include <com/sun/star/lang/WrappedTargetRuntimeException.hpp>
#include <cppuhelper/exc_hlp.hxx>

namespace quillmark
{
/// Runs `operation`. An office exception that its interface does not declare leaves as a
/// WrappedTargetRuntimeException carrying it: a call from another process or language would
/// otherwise end the office instead of reporting the exception.
template <class Operation>
auto withDeclaredExceptions(Operation&& operation) -> decltype(operation())
{
    try
    {
        return operation();
    }
    catch (const css::uno::RuntimeException&)
    {
        throw;
    }
    catch (const css::uno::Exception& exception)
    {
        const css::uno::Any caught = cppu::getCaughtException();
        throw css::lang::WrappedTargetRuntimeException(exception.Message, exception.Context,
                                                       caught);
    }
}
}
