/// Office API values the seal pictures are set up with, passed as the integers the office takes.
#pragma once

#include <sal/types.h>

namespace quillmark
{
constexpr sal_Int32 kWrapThrough = 1;   ///< WrapTextMode THROUGHT: text runs through the seal
constexpr sal_Int32 kAnchorAtPage = 2;  ///< TextContentAnchorType AT_PAGE
constexpr sal_Int16 kNoOrientation = 0; ///< HoriOrientation / VertOrientation NONE
constexpr sal_Int32 kColorStandard = 0; ///< ColorMode STANDARD
constexpr sal_Int32 kColorMono = 2;     ///< ColorMode MONO: black and white
}
