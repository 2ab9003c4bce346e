/// How one seal picture shows its verdict.
#pragma once

#include <com/sun/star/uno/XInterface.hpp>

namespace quillmark
{
/// A document or certificate seal's draw shape: black and white with the caption "无效印章" when
/// invalid, normal colour and no caption when valid.
void markDocumentSealPicture(const css::uno::Reference<css::uno::XInterface>& shape, bool invalid);
/// A field seal's text graphic: black and white when invalid, normal colour when valid.
void markFieldSealPicture(const css::uno::Reference<css::uno::XInterface>& graphic, bool invalid);
}
