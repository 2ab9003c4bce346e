// Text crosses to the libraries as GBK bytes and comes back from them the same way.

#include <common/UnoHelpers.hxx>

#include <gtest/gtest.h>

using quillmark::fromGbk;
using quillmark::fromGbkBounded;
using quillmark::toGbk;
using rtl::OString;
using rtl::OUString;

TEST(GbkConversion, ChineseTextRoundTrips)
{
    const OUString text = OUString::fromUtf8(u8"关于印发电子印章管理办法的通知 2026");
    const OString bytes = toGbk(text);
    // Fifteen two-byte characters, a blank and four digits.
    EXPECT_EQ(15 * 2 + 5, bytes.getLength());
    EXPECT_EQ(text, fromGbk(bytes.getStr(), bytes.getLength()));
}

TEST(GbkConversion, CharactersWithoutGbkFormConvertTheSameWayEveryTime)
{
    const OUString text = OUString::fromUtf8(u8"seal \U0001F600 \u0E01");
    const OString first = toGbk(text);
    const OString second = toGbk(text);
    EXPECT_EQ(first, second);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_NE(text, fromGbk(first.getStr(), first.getLength()))
        << "such a text cannot survive the way there and back";
}

TEST(GbkConversion, CaseMatters) { EXPECT_NE(toGbk("Seal"), toGbk("seal")); }

TEST(GbkConversion, BoundedReadStopsAtTheFirstZeroOrTheEnd)
{
    const char withZero[] = { 'a', 'b', '\0', 'c' };
    EXPECT_EQ(OUString("ab"), fromGbkBounded(withZero, sizeof withZero));
    const char withoutZero[] = { 'a', 'b', 'c' };
    EXPECT_EQ(OUString("abc"), fromGbkBounded(withoutZero, sizeof withoutZero));
    EXPECT_EQ(OUString(), fromGbkBounded(withoutZero, 0));
}
