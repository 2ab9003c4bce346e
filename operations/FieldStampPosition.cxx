#include <operations/FieldStampPosition.hxx>

namespace quillmark
{
namespace
{
/// The view's Y runs on across pages with this much between one page band and the next.
constexpr sal_Int32 kPageGap = 430;
/// Distance of the seal below the reduced end position.
constexpr sal_Int32 kSealOffset = 500;
}

std::optional<FieldStampPosition> computeFieldStampPosition(const PageMetrics& page,
                                                            sal_Int32 pictureHeight,
                                                            sal_Int32 startX, sal_Int32 endY)
{
    const sal_Int32 band = page.height + kPageGap;
    const sal_Int32 body = page.height - page.topMargin - page.bottomMargin;
    if (page.height == 0 || band == 0 || body == 0)
        return std::nullopt;

    FieldStampPosition position;
    if (endY / page.height == 1)
        position.anchor = FieldStampPosition::Anchor::MarkerPage;
    position.x = page.topMargin + pictureHeight + startX;
    sal_Int32 y = endY % band;
    if (y > body + pictureHeight)
    {
        position.anchor = FieldStampPosition::Anchor::NextPage;
        y = y % body;
        y = pictureHeight + y + kSealOffset;
    }
    position.y = page.topMargin + y + kSealOffset;
    return position;
}
}
