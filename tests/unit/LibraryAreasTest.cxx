// The component's areas for library outputs hold the most each library may write, and the
// component never reads past them, at the documented sizes and beyond.

#include <libraries/CertificateAreas.hxx>
#include <operations/PictureBlock.hxx>
#include <operations/SignatureArea.hxx>

#include <gtest/gtest.h>

using namespace quillmark;

TEST(LibraryAreas, SignatureIsReadWithinItsAreaWithOrWithoutANul)
{
    std::vector<char> area = signatureArea();
    ASSERT_EQ(static_cast<size_t>(KTXESEAL_AREA_SIZE), area.size());
    EXPECT_TRUE(signatureInArea(area).isEmpty());

    // A library that fills the whole area leaves no NUL: the read stops at the area's end.
    std::fill(area.begin(), area.end(), 'A');
    EXPECT_EQ(KTXESEAL_AREA_SIZE, signatureInArea(area).getLength());
    area.back() = 0;
    EXPECT_EQ(KTXESEAL_AREA_SIZE - 1, signatureInArea(area).getLength());
    area[10] = 0;
    EXPECT_EQ(10, signatureInArea(area).getLength());
}

TEST(LibraryAreas, Base64AreasHoldWhatTheTextCanDecodeTo)
{
    EXPECT_EQ(0, base64DecodedCapacity(0));
    EXPECT_EQ(0, base64DecodedCapacity(-5)) << "a negative length reserves nothing";
    EXPECT_EQ(3, base64DecodedCapacity(4));
    EXPECT_EQ(6, base64DecodedCapacity(5)) << "an incomplete group may still decode";
    EXPECT_EQ(3 * 25600, base64DecodedCapacity(4 * 25600));

    EXPECT_EQ(2048u, zeroedArea(2048, 100).size()) << "never below the contract's size";
    EXPECT_EQ(102401u, zeroedArea(2048, 102401).size()) << "and never below the input's";
    const std::vector<unsigned char> area = zeroedArea(32, 0);
    EXPECT_TRUE(std::all_of(area.begin(), area.end(), [](unsigned char b) { return b == 0; }));
}

TEST(LibraryAreas, PicturePartLiesInsideABlockOfTheAreasSize)
{
    // A block that fills the whole area with neither separator nor zero byte.
    std::vector<unsigned char> block(KTXESEAL_AREA_SIZE, 'x');
    PicturePart part = picturePart(block.data(), static_cast<int>(block.size()));
    EXPECT_EQ(0u, part.offset);
    EXPECT_EQ(block.size() - 1, part.length);

    // A separator as the very last byte leaves no picture.
    block.back() = '%';
    part = picturePart(block.data(), static_cast<int>(block.size()));
    EXPECT_EQ(block.size(), part.offset);
    EXPECT_EQ(0u, part.length);

    // Lengths the library may report wrongly give nothing to read.
    EXPECT_EQ(0u, picturePart(block.data(), 0).length);
    EXPECT_EQ(0u, picturePart(block.data(), -3).length);
}
