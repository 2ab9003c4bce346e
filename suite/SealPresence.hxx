/// Whether a document carries any seal, told from the marks and fields the component writes,
/// without verifying anything: asked before every save, it must stay cheap.
#pragma once

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <vector>

namespace quillmark::suite
{
namespace css = com::sun::star;

/// True when the document has a seal picture, a document or certificate seal signature, or a
/// signed field.
bool carriesSeals(const css::uno::Reference<css::frame::XModel>& document);

/// The pictures the component marked as seals, found by their mark alone.
std::vector<css::uno::Reference<css::beans::XPropertySet>>
markedSealPictures(const css::uno::Reference<css::frame::XModel>& document);
}
