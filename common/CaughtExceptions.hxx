/// The boundary of the operations that let no exception at all reach the office.
#pragma once

#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/lang/WrappedTargetException.hpp>
#include <com/sun/star/lang/WrappedTargetRuntimeException.hpp>
#include <cxxabi.h>
#include <sal/log.hxx>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <typeinfo>

namespace quillmark
{
/// What a catch-all learned of the exception it caught.
enum class CaughtFault
{
    MissingProperty, ///< an UnknownPropertyException, however deeply wrapped
    Other
};

/// Whether the exception in `caught` is an UnknownPropertyException or carries one: the
/// interface boundary wraps checked exceptions before an outer handler sees them.
inline bool carriesUnknownProperty(const css::uno::Any& caught)
{
    css::uno::Any current = caught;
    // Wrapping may nest, but not without end: a depth no real chain reaches ends the search.
    for (int depth = 0; depth < 16; ++depth)
    {
        if (current.isExtractableTo(cppu::UnoType<css::beans::UnknownPropertyException>::get()))
            return true;
        css::lang::WrappedTargetRuntimeException runtimeWrapper;
        css::lang::WrappedTargetException wrapper;
        if (current >>= runtimeWrapper)
            current = runtimeWrapper.TargetException;
        else if (current >>= wrapper)
            current = wrapper.TargetException;
        else
            return false;
    }
    return false;
}

/// The type of the exception being handled, as the compiler names it: all a catch-all can say
/// of an exception that is neither the office's nor the standard library's.
inline std::string caughtTypeName()
{
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type)
        return "an unknown exception";
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(
        abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? readable.get() : type->name();
}

/// Runs `operation` and gives its result. Any exception it raises, office or C++, is logged and
/// ends in `report` and `failure` is given instead. An exception of `report` itself (a message box
/// that cannot open) is logged and goes no further: the office must not see it either.
template <class Result, class Operation, class Report>
Result withEveryExceptionCaught(Result failure, Operation&& operation, Report&& report)
{
    CaughtFault fault = CaughtFault::Other;
    try
    {
        return operation();
    }
    catch (const abi::__forced_unwind&)
    {
        // A cancelled thread must unwind to its end.
        throw;
    }
    catch (const css::beans::UnknownPropertyException& exception)
    {
        SAL_WARN("quillmark.component", "a property is missing: " << exception.Message);
        fault = CaughtFault::MissingProperty;
    }
    catch (const css::lang::WrappedTargetRuntimeException& exception)
    {
        SAL_WARN("quillmark.component", "the office failed: " << exception.Message);
        if (carriesUnknownProperty(exception.TargetException))
            fault = CaughtFault::MissingProperty;
    }
    catch (const css::lang::WrappedTargetException& exception)
    {
        SAL_WARN("quillmark.component", "the office failed: " << exception.Message);
        if (carriesUnknownProperty(exception.TargetException))
            fault = CaughtFault::MissingProperty;
    }
    catch (const css::uno::Exception& exception)
    {
        SAL_WARN("quillmark.component", "the office failed: " << exception.Message);
    }
    catch (const std::exception& exception)
    {
        SAL_WARN("quillmark.component", "the operation failed: " << exception.what());
    }
    catch (...)
    {
        SAL_WARN("quillmark.component", "the operation failed: " << caughtTypeName());
    }
    try
    {
        report(fault);
    }
    catch (const css::uno::Exception& exception)
    {
        SAL_WARN("quillmark.component", "the failure was not reported: " << exception.Message);
    }
    catch (...)
    {
        SAL_WARN("quillmark.component", "the failure was not reported: " << caughtTypeName());
    }
    return failure;
}
}
