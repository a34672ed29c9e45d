// Well-formed UTF-8 and the replacement of ill-formed parts; the expected texts are
// Python's bytes.decode("utf-8", errors="replace") of each input.
#include "common/utf8.h"

#include <gtest/gtest.h>

namespace zorkan {
namespace {

TEST(Utf8, IllFormedPartsBecomeOneReplacementCharacterEach) {
    struct Row {
        std::string_view in;
        std::string_view out;
    };
    const Row rows[] = {
        {"abc", "abc"},
        {"\xD1\x84\xD0\xB2\xD1\x87 \xD0\xBA\xD0\xBE\xD0\xB4.h",
         "\xD1\x84\xD0\xB2\xD1\x87 \xD0\xBA\xD0\xBE\xD0\xB4.h"}, // "фвч код.h"
        {"\xFF", "\xEF\xBF\xBD"},
        {"a\x80"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"\xE0\xA0", "\xEF\xBF\xBD"},                                             // cut short
        {"\xE0\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                 // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},                 // surrogate
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // > U+10FFFF
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\xF0\x9F\x98", "\xEF\xBF\xBD"},
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xD0\xD0\xBC", "\xEF\xBF\xBD\xD0\xBC"},
        {"\xE2\x82\xAC\xE2\x82", "\xE2\x82\xAC\xEF\xBF\xBD"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.in)));
        EXPECT_EQ(validUtf8(row.in), row.out);
        EXPECT_EQ(isUtf8(row.in), row.in == row.out);
    }
}

// Table columns count characters: "Умн." is four characters in seven bytes.
TEST(Utf8Columns, PaddingCountsCharactersNotBytes) {
    struct Row {
        const char* text;
        std::size_t width;
        const char* right;
        const char* left;
    };
    const Row rows[] = {
        {"Умн.", 6, "Умн.  ", "  Умн."},
        {"ab", 4, "ab  ", "  ab"},
        {"Слож.", 5, "Слож.", "Слож."},
        {"Проект", 3, "Проект", "Проект"},
        {"", 2, "  ", "  "},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(paddedRight(row.text, row.width), row.right) << row.text;
        EXPECT_EQ(paddedLeft(row.text, row.width), row.left) << row.text;
    }
}

} // namespace
} // namespace zorkan
