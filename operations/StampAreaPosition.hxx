/// Where the stamping area goes on the view cursor's page, from the cursor's view position and
/// where the layout put that page.
#pragma once

#include <sal/types.h>

namespace quillmark
{
/// A page as the layout lays it out, in 1/100 mm: its top-left corner on the layout's canvas
/// (pages stand one below the other, or side by side, with gaps and borders between them) and
/// the page's size.
struct LaidOutPage
{
    sal_Int32 left = 0;
    sal_Int32 top = 0;
    sal_Int32 width = 0;
    sal_Int32 height = 0;
};

/// A position from the page's top-left corner, in 1/100 mm.
struct PagePosition
{
    sal_Int32 x = 0;
    sal_Int32 y = 0;
};

/// The area's place on `page`, the page the view cursor is on: the cursor's place on its page,
/// as the view reports it for the first page, moved by the area's offsets, and kept inside the
/// page with room for the area and for the largest seal that can take its place.
/// `cursorX`/`cursorY` are the view cursor's `getPosition`; `areaWidth`/`areaHeight` the
/// placeholder's size.
PagePosition computeStampAreaPosition(const LaidOutPage& page, sal_Int32 cursorX, sal_Int32 cursorY,
                                      sal_Int32 areaWidth, sal_Int32 areaHeight);
}
