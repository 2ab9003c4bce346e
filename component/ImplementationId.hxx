/// A 16-byte implementation identifier per class, made once for the life of the process.
#pragma once

#include <com/sun/star/uno/Sequence.hxx>
#include <osl/mutex.hxx>
#include <rtl/uuid.h>

namespace quillmark
{
/// `Class` only tells the identifiers apart; the first call builds the bytes under the global
/// mutex, every later call returns the same bytes.
template <class Class>
css::uno::Sequence<sal_Int8> stableImplementationId()
{
    static css::uno::Sequence<sal_Int8>* id = nullptr;
    osl::MutexGuard guard(osl::Mutex::getGlobalMutex());
    if (!id)
    {
        static css::uno::Sequence<sal_Int8> bytes(16);
        rtl_createUuid(reinterpret_cast<sal_uInt8*>(bytes.getArray()), nullptr, true);
        id = &bytes;
    }
    return *id;
}
}
