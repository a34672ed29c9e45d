#include "common/cp1251.h"

#include <gtest/gtest.h>

namespace zorkan {
namespace {

TEST(Cp1251, RussianLettersAndSigns) {
    struct Case {
        const char* utf8;
        std::string bytes;
    };
    std::string upper, lower;
    for (int b = 0xC0; b <= 0xDF; ++b)
        upper += static_cast<char>(b);
    for (int b = 0xE0; b <= 0xFF; ++b)
        lower += static_cast<char>(b);
    const Case cases[] = {
        {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", upper},
        {"абвгдежзийклмнопрстуфхцчшщъыьэюя", lower},
        {"Ёё", "\xA8\xB8"},
        {"№ 5", "\xB9 5"},
        {"«Готово» — €", "\xAB\xC3\xEE\xF2\xEE\xE2\xEE\xBB \x97 \x88"},
        {"Plain ASCII 0.5E+0001\r\n", "Plain ASCII 0.5E+0001\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toCp1251(c.utf8), c.bytes) << c.utf8;
        EXPECT_EQ(fromCp1251(c.bytes), c.utf8) << c.utf8;
    }
}

TEST(Cp1251, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) // the one unassigned byte
            continue;
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(toCp1251(fromCp1251(one)), one) << "byte " << b;
    }
    EXPECT_EQ(fromCp1251("\x98"), "\xEF\xBF\xBD");
}

TEST(Cp1251, UnmappableBecomesQuestionMark) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string bytes;
    };
    const Case cases[] = {
        {"Latin letter with accent", "caf\xC3\xA9", "caf?"},
        {"CJK", "\xE4\xB8\xAD!", "?!"},
        {"outside the BMP", "\xF0\x9F\x98\x80x", "?x"},
        {"replacement character", "\xEF\xBF\xBD", "?"},
        {"lone continuation byte",
         "a\x80"
         "b",
         "a?b"},
        {"truncated sequence at the end", "a\xD0", "a?"},
        {"broken sequence keeps the next character",
         "\xD0"
         "A",
         "?A"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(toCp1251(c.utf8), c.bytes) << c.name;
}

} // namespace
} // namespace zorkan
