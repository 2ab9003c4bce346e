// Where the stamping area goes on the view cursor's page. Page corners and cursor positions are
// as the office reports them for real documents: pages one below the other with 501 between
// them, or centred in a window wider than the page.

#include <operations/StampAreaPosition.hxx>

#include <gtest/gtest.h>
#include <ostream>

using quillmark::computeStampAreaPosition;
using quillmark::LaidOutPage;
using quillmark::PagePosition;

namespace
{
// The placeholder's size as the office lays out gzqy.gif (160 x 80 pixels).
constexpr sal_Int32 kAreaWidth = 4233;
constexpr sal_Int32 kAreaHeight = 2117;
// Room kept for the largest seal picture, 255 pixels at 24/100 mm each.
constexpr sal_Int32 kLargestSeal = 6120;

struct Case
{
    const char* name;
    LaidOutPage page;
    sal_Int32 cursorX;
    sal_Int32 cursorY;
    PagePosition expected;
    sal_Int32 areaWidth = kAreaWidth;
    sal_Int32 areaHeight = kAreaHeight;
};

const LaidOutPage kA4First{ 501, 501, 21001, 29700 };
const LaidOutPage kLetterFirst{ 501, 501, 21590, 27940 };
const LaidOutPage kA4Second{ 501, 30702, 21001, 29700 };

// clang-format off
const Case kCases[] = {
    { "beside the cursor on the first page", kA4First, 2000, 1000, { 5200, 3540 } },
    { "first line of the second A4 page", kA4Second, 0, 30201, { 3200, 2540 } },
    { "first line of page 146 of a long document", { 501, 4379690, 21001, 29700 }, 0, 4379189,
      { 3200, 2540 } },
    { "A4 page after a Letter first page, centred under it", { 795, 28942, 21001, 29700 }, 294,
      28441, { 3200, 2540 } },
    { "page centred in a window wider than the page", { 23063, 501, 21001, 29700 }, 22562, 0,
      { 3200, 2540 } },
    { "right column of a two-column section: kept inside", kA4First, 12716, 16143,
      { 21001 - kLargestSeal, 18683 } },
    { "end of a Letter first page: kept inside with room for the seal", kLetterFirst, 0, 21975,
      { 3200, 27940 - kLargestSeal } },
    { "past the right edge: kept inside", kA4First, 19000, 5000, { 21001 - kLargestSeal, 7540 } },
    { "left of the page: kept at its edge", { 2000, 501, 21001, 29700 }, -3000, 0, { 0, 2540 } },
    { "a placeholder larger than any seal keeps its own room", kA4First, 19000, 27000,
      { 21001 - 8000, 29700 - 9000 }, 8000, 9000 },
    { "a page smaller than the largest seal: its top-left corner", { 501, 501, 5500, 5000 }, 3000,
      3000, { 0, 0 } },
    { "a cursor far below every page does not overflow", kA4First, 0, 2147480000,
      { 3200, 29700 - kLargestSeal } },
};
// clang-format on

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
}

class StampAreaPosition : public ::testing::TestWithParam<Case>
{};

TEST_P(StampAreaPosition, LiesOnThePageAtTheCursorsPlace)
{
    const Case& c = GetParam();
    const PagePosition position
        = computeStampAreaPosition(c.page, c.cursorX, c.cursorY, c.areaWidth, c.areaHeight);
    EXPECT_EQ(c.expected.x, position.x);
    EXPECT_EQ(c.expected.y, position.y);
}

INSTANTIATE_TEST_SUITE_P(Pages, StampAreaPosition, ::testing::ValuesIn(kCases));
