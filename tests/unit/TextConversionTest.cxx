// Text crosses to the libraries as GBK bytes and comes back from them the same way.

#include <common/UnoHelpers.hxx>

#include <gtest/gtest.h>
#include <optional>

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

TEST(GbkConversion, ExactFormOnlyWhereGbkCarriesTheWholeText)
{
    struct Case
    {
        const char* text;
        std::optional<sal_Int32> byteLength; ///< none where GBK cannot carry the text exactly
    };
    const Case cases[] = {
        { "", 0 },
        { "Seal 2026", 9 },
        { u8"电子印章", 8 },
        { u8"印章 \U0001F600", std::nullopt }, // an emoji
        { u8"\u0E01", std::nullopt },          // a Thai letter
    };
    for (const Case& c : cases)
    {
        const OUString text = OUString::fromUtf8(c.text);
        const std::optional<OString> bytes = quillmark::toGbkExactly(text);
        ASSERT_EQ(c.byteLength.has_value(), bytes.has_value()) << c.text;
        if (!bytes)
        {
            EXPECT_FALSE(quillmark::firstCharacterWithoutGbkForm(text).isEmpty()) << c.text;
            continue;
        }
        EXPECT_EQ(*c.byteLength, bytes->getLength()) << c.text;
        EXPECT_EQ(text, fromGbk(bytes->getStr(), bytes->getLength())) << c.text;
        EXPECT_TRUE(quillmark::firstCharacterWithoutGbkForm(text).isEmpty()) << c.text;
    }
    // The libraries read up to the first zero byte: a text holding one is not carried.
    const sal_Unicode withZero[] = { 'a', 0, 'b' };
    EXPECT_FALSE(quillmark::toGbkExactly(OUString(withZero, 3)).has_value());
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
