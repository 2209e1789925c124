#include "platform/Utf8.h"

#include <gtest/gtest.h>

using namespace varnholt;

TEST(Utf8, ValidatesStrictly)
{
    EXPECT_TRUE(utf8::isValid("Café 東京 🎉"));
    for (const std::string bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
                                  "\xFF", "\xE6\x9D", "\x80"})
        EXPECT_FALSE(utf8::isValid(bad)) << "overlong, surrogate, past U+10FFFF, no lead byte or cut short";
    EXPECT_EQ(utf8::validPrefixLength("ok \xE6\x9D\xB1 \xFF rest"), 7u);
}

TEST(Utf8, DecodesAnInvalidByteAsOneReplacement)
{
    const std::string text = "\xC3\xA9\xF0\x9F\x8E\x89\xF5\x80\xE6\x9D";
    std::vector<char32_t> decoded;
    for (std::size_t i = 0; i < text.size();)
        decoded.push_back(utf8::next(text, i));
    EXPECT_EQ(decoded, (std::vector<char32_t>{0xE9, 0x1F389, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
    std::string encoded;
    for (const char32_t c : {0x41, 0xE9, 0x6771, 0x1F389})
        utf8::append(encoded, c);
    EXPECT_EQ(encoded, "Aé東🎉");
}

TEST(Utf8, CutsOnlyBetweenCharacters)
{
    const std::string text = "ab🎉c";
    EXPECT_EQ(utf8::cut(text, 99), text);
    for (std::size_t limit = 2; limit < 6; ++limit)
        EXPECT_EQ(utf8::cut(text, limit), "ab") << limit;
    EXPECT_EQ(utf8::cut(text, 6), "ab🎉");
    EXPECT_EQ(utf8::cut("\x80\x80\x80\x80\x80", 3), "\x80\x80\x80") << "stray bytes are characters of their own";
    EXPECT_EQ(utf8::cut("a\xF5\x80\x80", 2), "a\xF5") << "0xF5 starts no character";
}

TEST(Utf8, CountsUtf16UnitsAsTheNotesStoreDoes)
{
    EXPECT_EQ(utf8::utf16Length("aé東🎉"), 5u);
    EXPECT_EQ(utf8::utf16Length("\xF5\x80\x80"), 3u) << "each damaged byte reads as one U+FFFD";
    const std::string text = "🎉x🎉y";
    EXPECT_EQ(utf8::advanceUtf16(text, 0, 2), 4u);
    EXPECT_EQ(utf8::advanceUtf16(text, 0, 3), 5u);
    EXPECT_EQ(utf8::advanceUtf16(text, 4, 100), text.size());
}
