// The seal picture is cut out of the seal library's picture block.

#include <operations/PictureBlock.hxx>

#include <gtest/gtest.h>
#include <string>

using quillmark::picturePart;

namespace
{
std::string cut(const std::string& block)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    const auto part = picturePart(bytes, static_cast<int>(block.size()));
    return block.substr(part.offset, part.length);
}
}

TEST(PictureBlock, PictureLiesBetweenTheSeparatorAndTheLastByte)
{
    EXPECT_EQ("GIF89a-data", cut("ESEAL%GIF89a-data!"));
    // A GIF narrower than 256 pixels has a zero byte early in its header: a '%' after it is
    // part of the picture.
    EXPECT_EQ(std::string("GIF89a\x20\x00%x", 10), cut(std::string("T%GIF89a\x20\x00%x\x00", 13)));
}

TEST(PictureBlock, LastSeparatorBeforeTheFirstZeroWins) { EXPECT_EQ("c", cut("a%b%c!")); }

TEST(PictureBlock, WithoutSeparatorThePictureStartsAtTheFirstByte)
{
    EXPECT_EQ("GIF89a", cut("GIF89a!"));
    EXPECT_EQ(std::string("\x00GIF", 4), cut(std::string("\x00GIF!", 5)));
}

TEST(PictureBlock, ShortBlocksGiveNothingRatherThanANegativeLength)
{
    EXPECT_EQ("", cut(""));
    EXPECT_EQ("", cut("%"));
    EXPECT_EQ("", cut("x"));
    EXPECT_EQ("", cut("ab%!"));
    const auto part = picturePart(nullptr, 0);
    EXPECT_EQ(0u, part.length);
}
