/// The boundary of the operations that let no exception at all reach the office.
#pragma once

#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/lang/WrappedTargetException.hpp>
#include <com/sun/star/lang/WrappedTargetRuntimeException.hpp>
#include <cxxabi.h>

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

/// Runs `operation` and gives its result. Any exception it raises, office or C++, ends in
/// `report` and `failure` is given instead. An exception of `report` itself (a message box that
/// cannot open) is dropped: the office must not see it either.
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
    catch (const css::beans::UnknownPropertyException&)
    {
        fault = CaughtFault::MissingProperty;
    }
    catch (const css::lang::WrappedTargetRuntimeException& exception)
    {
        if (carriesUnknownProperty(exception.TargetException))
            fault = CaughtFault::MissingProperty;
    }
    catch (const css::lang::WrappedTargetException& exception)
    {
        if (carriesUnknownProperty(exception.TargetException))
            fault = CaughtFault::MissingProperty;
    }
    catch (const css::uno::Exception&)
    {
    }
    catch (...)
    {
    }
    try
    {
        report(fault);
    }
    catch (...)
    {
    }
    return failure;
}
}
