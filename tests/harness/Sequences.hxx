/// Sequences from brace lists; the SDK's Sequence has no initializer-list constructor.
#pragma once

#include <com/sun/star/uno/Sequence.hxx>
#include <initializer_list>

namespace quillmark::test
{
template <class T>
com::sun::star::uno::Sequence<T> sequenceOf(std::initializer_list<T> items)
{
    return com::sun::star::uno::Sequence<T>(items.begin(), static_cast<sal_Int32>(items.size()));
}
}
