/// Where a field seal goes: beside the end of the field, computed from the markers' view
/// positions, the default page metrics and the seal picture's height.
#pragma once

#include <optional>
#include <sal/types.h>

namespace quillmark
{
struct PageMetrics
{
    sal_Int32 height = 0;
    sal_Int32 topMargin = 0;
    sal_Int32 bottomMargin = 0;
};

struct FieldStampPosition
{
    /// Which page the seal is anchored to, relative to the end marker's page.
    enum class Anchor
    {
        Unset,      ///< no explicit anchor page
        MarkerPage, ///< the end marker's page
        NextPage    ///< the page after it
    };

    sal_Int32 x = 0;
    sal_Int32 y = 0;
    Anchor anchor = Anchor::Unset;
};

/// `startX` is the start marker's view X, `endY` the end marker's view Y, `pictureHeight` the
/// seal picture's height, all in 1/100 mm. Empty for page metrics that leave no room to divide.
std::optional<FieldStampPosition> computeFieldStampPosition(const PageMetrics& page,
                                                            sal_Int32 pictureHeight,
                                                            sal_Int32 startX, sal_Int32 endY);
}
