#include <operations/StampAreaPosition.hxx>

#include <algorithm>

namespace quillmark
{
namespace
{
constexpr sal_Int32 kAreaOffsetX = 3200;
constexpr sal_Int32 kAreaOffsetY = 2540;
/// The view reports the cursor from a point one document border (284 twips) above and left of
/// its page's text area, as if the page lay at the canvas' top-left corner, whatever page it is
/// on and wherever the layout put that page.
constexpr sal_Int32 kDocumentBorder = 501;
/// The seal's picture replaces the area at its top-left corner. Seal pictures are at most 255
/// pixels a side (a wider GIF could not be told from its picture block) at 24/100 mm a pixel.
constexpr sal_Int32 kLargestSeal = 255 * 24;

sal_Int32 keptInside(sal_Int32 position, sal_Int32 pageExtent, sal_Int32 areaExtent)
{
    const sal_Int32 room = pageExtent - std::max(areaExtent, kLargestSeal);
    return std::clamp(position, sal_Int32(0), std::max(room, sal_Int32(0)));
}
}

PagePosition computeStampAreaPosition(const LaidOutPage& page, sal_Int32 cursorX, sal_Int32 cursorY,
                                      sal_Int32 areaWidth, sal_Int32 areaHeight)
{
    // Widened: a cursor far down a long document reports a large Y, and the page's top lies
    // as far down the canvas.
    const sal_Int64 x = sal_Int64(cursorX) + kDocumentBorder - page.left + kAreaOffsetX;
    const sal_Int64 y = sal_Int64(cursorY) + kDocumentBorder - page.top + kAreaOffsetY;
    const auto narrowed = [](sal_Int64 value) {
        return static_cast<sal_Int32>(std::clamp<sal_Int64>(value, SAL_MIN_INT32, SAL_MAX_INT32));
    };
    return { keptInside(narrowed(x), page.width, areaWidth),
             keptInside(narrowed(y), page.height, areaHeight) };
}
}
