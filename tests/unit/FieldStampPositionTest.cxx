// Where a field seal goes relative to the field's end.

#include <operations/FieldStampPosition.hxx>

#include <gtest/gtest.h>

using quillmark::computeFieldStampPosition;
using quillmark::FieldStampPosition;
using quillmark::PageMetrics;

namespace
{
const PageMetrics kA4{ 29700, 2000, 2000 };
constexpr sal_Int32 kPictureHeight = 2400;
}

TEST(FieldStampPosition, WorkedExampleOnTheFirstPage)
{
    auto position = computeFieldStampPosition(kA4, kPictureHeight, 2500, 12000);
    ASSERT_TRUE(position);
    EXPECT_EQ(6900, position->x);
    EXPECT_EQ(14500, position->y);
    EXPECT_EQ(FieldStampPosition::Anchor::Unset, position->anchor);
}

TEST(FieldStampPosition, SecondPageBandAnchorsToTheMarkerPage)
{
    // 31000 lies in the second band: reduced by the band of 30130 it is 870.
    auto position = computeFieldStampPosition(kA4, kPictureHeight, 2500, 31000);
    ASSERT_TRUE(position);
    EXPECT_EQ(FieldStampPosition::Anchor::MarkerPage, position->anchor);
    EXPECT_EQ(2000 + 870 + 500, position->y);
    EXPECT_EQ(6900, position->x);

    position = computeFieldStampPosition(kA4, kPictureHeight, 0, 30130);
    ASSERT_TRUE(position);
    EXPECT_EQ(FieldStampPosition::Anchor::MarkerPage, position->anchor) << "the next band starts";
    EXPECT_EQ(2000 + 0 + 500, position->y);
}

TEST(FieldStampPosition, EndTooLowOnThePageMovesTheSealToTheNextPage)
{
    // 29000 exceeds 29700 - 2000 - 2000 + 2400 = 28100.
    auto position = computeFieldStampPosition(kA4, kPictureHeight, 1000, 29000);
    ASSERT_TRUE(position);
    EXPECT_EQ(FieldStampPosition::Anchor::NextPage, position->anchor);
    EXPECT_EQ(2000 + 2400 + 29000 % 25700 + 1000, position->y);

    position = computeFieldStampPosition(kA4, kPictureHeight, 1000, 28100);
    ASSERT_TRUE(position);
    EXPECT_EQ(FieldStampPosition::Anchor::Unset, position->anchor) << "the limit itself stays";
    EXPECT_EQ(2000 + 28100 + 500, position->y);
}

TEST(FieldStampPosition, MetricsThatLeaveNothingToDivideByAreRefused)
{
    EXPECT_FALSE(computeFieldStampPosition({ 0, 0, 0 }, kPictureHeight, 100, 100));
    EXPECT_FALSE(computeFieldStampPosition({ 4000, 2000, 2000 }, kPictureHeight, 100, 100));
    EXPECT_FALSE(computeFieldStampPosition({ -430, 0, 0 }, kPictureHeight, 100, 100));
}
