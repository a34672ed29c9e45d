// Rich text: the writer's form, the round trip of every attribute, and the reader on
// hand-written files in the manners of common word processors and on broken input.
#include "editor/richtext.h"

#include <gtest/gtest.h>

namespace zorkan::richtext {
namespace {

CharFormat font(const char* name, int halfPoints, bool b = false, bool i = false, bool u = false) {
    return CharFormat{name, halfPoints, b, i, u};
}

Paragraph paragraph(std::vector<Run> runs, Alignment a = Alignment::Left, int fi = 0, int li = 0,
                    int ri = 0, bool bullet = false) {
    return Paragraph{a, fi, li, ri, bullet, std::move(runs)};
}

// Text of the whole document, paragraphs joined by '\n'.
std::string plain(const Document& d) {
    std::string out;
    for (std::size_t k = 0; k < d.paragraphs.size(); ++k) {
        if (k > 0)
            out += '\n';
        for (const Run& r : d.paragraphs[k].runs)
            out += r.text;
    }
    return out;
}

TEST(RichText, RoundTripKeepsEveryAttribute) {
    Document d;
    d.paragraphs.push_back(paragraph({{font("Arial", 24), "Plain "},
                                      {font("Arial", 24, true), "bold "},
                                      {font("Arial", 24, false, true), "italic "},
                                      {font("Arial", 24, false, false, true), "under"},
                                      {font("Times New Roman", 17, true, true, true), " all"}}));
    d.paragraphs.push_back(paragraph({{font("Courier New", 20), "Центр: Фильтр №1 «ФНЧ» — ёЁ"}},
                                     Alignment::Center, -360, 720, 1440));
    d.paragraphs.push_back(
        paragraph({{font("Arial", 16), "Right\ttab\u2028line"}}, Alignment::Right, 0, 0, 0));
    d.paragraphs.push_back(paragraph({}, Alignment::Left)); // an empty line
    d.paragraphs.push_back(
        paragraph({{font("Arial", 16), "Bullet"}}, Alignment::Left, -200, 400, 0, true));
    // Characters beyond code page 1251: Greek, CJK, a sign above U+7FFF and an emoji.
    d.paragraphs.push_back(
        paragraph({{font("Шрифт Ф", 30), "αβγ 漢字 \uFB01 \U0001F600 {brace} back\\slash"}}));
    EXPECT_EQ(readRtf(writeRtf(d)), d) << writeRtf(d);
}

TEST(RichText, WriterUsesStandardForms) {
    Document d;
    d.paragraphs.push_back(paragraph({{font("Arial", 20, true), "Яa\u03b1\u4e2d"}},
                                     Alignment::Center, -180, 360, 90, true));
    const std::string rtf = writeRtf(d);
    for (const char* expected :
         {"{\\rtf1\\ansi\\ansicpg1251", "{\\fonttbl{\\f0\\fnil\\fcharset204 Arial;}}",
          "\\qc\\fi-180\\li360\\ri90 ", "\\pnlvlblt", "{\\f0\\fs20\\b ", "\\'dfa\\u945?\\u20013?",
          "\\par"})
        EXPECT_NE(rtf.find(expected), std::string::npos) << expected << "\n" << rtf;
    // Only 7-bit bytes: the file survives any transfer.
    for (const char c : rtf)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    // U+FB01 is written as a negative 16-bit number.
    Document high;
    high.paragraphs.push_back(paragraph({{font("A", 24), "\uFB01"}}));
    EXPECT_NE(writeRtf(high).find("\\u-1279?"), std::string::npos);
}

struct Sample {
    const char* name;
    const char* rtf;
    const char* text;
};

TEST(RichText, ReaderTakesTheTextOfCommonWordProcessors) {
    const Sample samples[] = {
        {"pad-like, cp1251 bytes and a Cyrillic font",
         "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fswiss\\fcharset204 "
         "Arial;}}\r\n{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\f0\\fs20 "
         "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par\r\nline 2\\par\r\n}\r\n",
         "Привет\nline 2"},
        {"word-like: stylesheet, info, list table, \\u with byte fallback",
         "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\froman\\fcharset0"
         "\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}{\\f1\\fswiss\\fcharset204 "
         "Arial{\\*\\falt Helvetica};}}{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\ql "
         "\\snext0 Normal;}}{\\*\\listtable{\\list\\listtemplateid1{\\listlevel{\\leveltext "
         "\\'01\\u-3913 ?;}}}}{\\info{\\title Secret}{\\author X}}{\\*\\rsidtbl \\rsid1}"
         "\\pard\\plain \\ql \\li720\\fi-360\\ls1 {\\listtext\\pard\\plain \\'b7\\tab}"
         "{\\rtlch\\af0 \\ltrch\\f1\\fs24\\lang1049\\langfe1049 \\u1058\\'d2\\u1077\\'e5"
         "\\u1082\\'ea\\u1089\\'f1\\u1090\\'f2}{\\insrsid1 \\par }}",
         "Текст"},
        {"office suite: \\uc0, hich/loch words, page styles, a field result",
         "{\\rtf1\\ansi\\deff3\\adeflang1025\n{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times "
         "New Roman;}{\\f3\\fswiss\\fprq2\\fcharset204 Liberation Sans;}}\n{\\*\\pgdsctbl\n{"
         "\\pgdsc0\\pgdscuse451\\pgwsxn11906 Standard;}}\n{\\*\\userprops{\\propname x}}\n"
         "\\pard\\plain \\s0\\dbch\\af5\\langfe2052\\loch\\f3\\fs24\\lang1049{\\uc0\\loch\\f3 "
         "\\u1057\\u1090 AB}{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}\n\\par "
         "}",
         "СтABlink"},
        {"a picture in hex and one in binary, and an ignorable unknown destination",
         "{\\rtf1\\ansi{\\pict\\pngblip\\picw10 89504e470d0a1a0a}A{\\*\\blipuid 00ff}"
         "{\\pict\\bin4 }}{{}B{\\*\\unknowndest text \\par}C}",
         "ABC"},
        {"a reader of a mac: \\uc0 and nested groups",
         "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2580\\cocoasubrtf220{\\fonttbl\\f0\\fswiss"
         "\\fcharset0 Helvetica;}{\\colortbl;\\red255\\green255\\blue255;}\\pard\\tx566\\pardir"
         "natural\\partightenfactor0\\f0\\fs24 \\cf0 {{{\\uc0\\u1044 \\u1072 }}} caf\\'e9\\\n"
         "next}",
         "Да café\nnext"},
        {"symbols: nbsp, optional hyphen, quotes, dashes, \\line",
         "{\\rtf1\\ansi a\\~b\\-c\\lquote d\\rquote\\ldblquote e\\rdblquote\\emdash\\endash"
         "\\bullet\\line f}",
         "a\u00a0bc\u2018d\u2019\u201ce\u201d\u2014\u2013\u2022\u2028f"},
        {"surrogate pair written as two \\u", "{\\rtf1\\ansi\\uc1 x\\u-10179?\\u-8704?y}",
         "x\U0001F600y"},
    };
    for (const Sample& s : samples)
        EXPECT_EQ(plain(readRtf(s.rtf)), s.text) << s.name;
    // Bytes after the last brace (a NUL that some writers add) change nothing.
    EXPECT_EQ(plain(readRtf(std::string("{\\rtf1 A\\par}\r\n\0", 16))), "A");
}

TEST(RichText, ReaderTakesFormatsFromWordProcessors) {
    const Document d = readRtf(
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Arial;}{\\f1\\fnil "
        "Courier New;}}\\pard\\qc\\li1440\\ri720\\fi-720\\f1\\fs28\\b A\\b0\\i B\\i0\\ul "
        "C\\ulnone\\uldb D\\ul0 E\\par\\pard{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}"
        "\\fi-360\\li360{\\pntext\\f2\\'B7\\tab}\\plain F\\par\\qr G\\par\\pard H\\par}");
    ASSERT_EQ(d.paragraphs.size(), 4U);
    const Paragraph& first = d.paragraphs[0];
    EXPECT_EQ(first.alignment, Alignment::Center);
    EXPECT_EQ(std::make_tuple(first.firstIndent, first.leftIndent, first.rightIndent),
              std::make_tuple(-720, 1440, 720));
    // \uldb underlines as \ul does: C and D make one run.
    ASSERT_EQ(first.runs.size(), 4U);
    EXPECT_EQ(first.runs[0], (richtext::Run{font("Courier New", 28, true), "A"}));
    EXPECT_EQ(first.runs[1], (richtext::Run{font("Courier New", 28, false, true), "B"}));
    EXPECT_EQ(first.runs[2], (richtext::Run{font("Courier New", 28, false, false, true), "CD"}));
    EXPECT_EQ(first.runs[3], (richtext::Run{font("Courier New", 28), "E"}));
    // The bullet comes from {\*\pn \pnlvlblt}; its shown text \pntext is no part of the text.
    EXPECT_TRUE(d.paragraphs[1].bullet);
    EXPECT_EQ(d.paragraphs[1].runs, (std::vector<richtext::Run>{{font("Arial", 24), "F"}}));
    // Paragraph formats last until \pard.
    EXPECT_TRUE(d.paragraphs[2].bullet);
    EXPECT_EQ(d.paragraphs[2].alignment, Alignment::Right);
    EXPECT_FALSE(d.paragraphs[3].bullet);
    EXPECT_EQ(d.paragraphs[3].alignment, Alignment::Left);
}

TEST(RichText, CodePageOfTheFileOrOfTheFont) {
    const Sample samples[] = {
        {"declared 1251", "{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e9\\'b9}", "Ай№"},
        {"plain \\ansi is 1252", "{\\rtf1\\ansi \\'c0\\'e9\\'80}", "Àé€"},
        {"a Cyrillic font in a 1252 file",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 A;}{\\f1\\fcharset204 B;}}\\f1\\'c0\\f0\\'c0}",
         "АÀ"},
        {"1250", "{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'b9\\'e8}", "\u0160\u0105\u010d"},
        {"1253", "{\\rtf1\\ansi\\ansicpg1253 \\'c1\\'e1\\'a2}", "\u0391\u03b1\u0386"},
        {"1254", "{\\rtf1\\ansi\\ansicpg1254 \\'d0\\'fd\\'de}", "\u011e\u0131\u015e"},
        {"1257", "{\\rtf1\\ansi\\ansicpg1257 \\'c0\\'e0\\'de}", "\u0104\u0105\u017d"},
        {"866", "{\\rtf1\\ansi\\ansicpg866 \\'80\\'a0\\'e0\\'f0}", "АарЁ"},
        {"KOI8-R", "{\\rtf1\\ansi\\ansicpg20866 \\'c1\\'e1\\'a3\\'b3}", "аАёЁ"},
        {"charsets 238, 161, 162, 186 of fonts in a 1252 file",
         "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset238 A;}{\\f1\\fcharset161 B;}{\\f2\\fcharset162 "
         "C;}{\\f3\\fcharset186 D;}}\\f0\\'b9\\f1\\'e1\\f2\\'fd\\f3\\'e0}",
         "\u0105\u03b1\u0131\u0105"},
    };
    for (const Sample& s : samples)
        EXPECT_EQ(plain(readRtf(s.rtf)), s.text) << s.name;
}

// \sect ends a paragraph, hidden text is not read, and what the model cannot hold is
// reported; the editor's own files report nothing.
TEST(RichText, SectionsHiddenTextAndWhatIsLost) {
    Document own;
    own.paragraphs.push_back(
        paragraph({{font("Arial", 20, true), "Own"}}, Alignment::Center, -180, 360, 90, true));
    const std::string ownRtf = writeRtf(own);
    const struct {
        const char* name;
        std::string rtf, text, lost;
    } rows[] = {
        {"\\sect", "{\\rtf1\\ansi A\\sect B\\par}", "A\nB", ""},
        {"hidden", "{\\rtf1\\ansi A{\\v x}B\\v y\\v0 C\\v z\\plain D\\par}", "ABCD",
         "скрытый текст"},
        {"picture", "{\\rtf1\\ansi{\\pict\\pngblip 89}A\\par}", "A", "рисунки и объекты"},
        {"table", "{\\rtf1\\ansi\\trowd\\cellx900 a\\cell b\\cell\\row}", "a\tb\t", "таблицы"},
        {"header", "{\\rtf1\\ansi{\\header H\\par}A\\par}", "A", "колонтитулы"},
        {"footnote", "{\\rtf1\\ansi A{\\footnote N}\\par}", "A", "сноски"},
        {"field", "{\\rtf1\\ansi{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}", "1", "поля"},
        {"colour", "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\\cf1 R\\cf0\\par}", "R",
         "цвет текста"},
        {"colour table alone", "{\\rtf1\\ansi{\\colortbl;\\red9\\green0\\blue0;}\\cf0 R\\par}", "R",
         ""},
        {"numbered, old form", "{\\rtf1\\ansi{\\*\\pn\\pnlvlbody\\pndec}A\\par}", "A",
         "нумерация списков"},
        {"numbered, list table",
         "{\\rtf1\\ansi{\\*\\listtable{\\list{\\listlevel\\levelnfc0}}}\\ls1 A\\par}", "A",
         "нумерация списков"},
        {"bullets, list table",
         "{\\rtf1\\ansi{\\*\\listtable{\\list{\\listlevel\\levelnfc23}}}\\ls1 A\\par}", "A", ""},
        {"several", "{\\rtf1\\ansi{\\pict 0}{\\footer F}{\\v h}A\\par}", "A",
         "рисунки и объекты, колонтитулы, скрытый текст"},
        {"own file", ownRtf, "Own", ""},
    };
    for (const auto& r : rows) {
        LostContent lost;
        lost.fields = true; // overwritten by the reader
        EXPECT_EQ(plain(readRtf(r.rtf, &lost)), r.text) << r.name;
        EXPECT_EQ(lost.describe(), r.lost) << r.name;
        EXPECT_EQ(lost.any(), !r.lost.empty()) << r.name;
    }
}

TEST(RichText, BrokenInputGivesTheTextThatCanBeRecovered) {
    const Sample samples[] = {
        {"truncated in a word", "{\\rtf1\\ansi Hello wor\\b", "Hello wor"},
        {"truncated in \\'", "{\\rtf1\\ansi Hello\\'c", "Hello"},
        {"\\' at the very end", "{\\rtf1\\ansi Hi\\'", "Hi"},
        {"backslash at the very end", "{\\rtf1\\ansi Hi\\", "Hi"},
        {"braces never closed", "{\\rtf1\\ansi {{{\\b A", "A"},
        {"a closing brace too many", "{\\rtf1\\ansi A}}}B}", "AB"},
        {"huge numbers", "{\\rtf1\\ansi\\fs99999999999999999999\\li-99999999999999 A\\u99999999?B}",
         "A\uFFFDB"},
        {"\\bin longer than the file", "{\\rtf1 A\\bin999999 xyz", "A"},
        {"a lone high surrogate", "{\\rtf1 \\u-10179?x}", "\uFFFDx"},
        {"bad hex digits", "{\\rtf1 a\\'zzb}", "ab"},
        {"binary garbage", "\x01\x02\xff{\\\x80}", "\u00ff"},
    };
    for (const Sample& s : samples)
        EXPECT_EQ(plain(readRtf(s.rtf)), s.text) << s.name;
    // Nesting far deeper than the reader keeps still reads the text.
    const std::string deep =
        "{\\rtf1 " + std::string(100000, '{') + "x" + std::string(100000, '}') + "}";
    EXPECT_EQ(plain(readRtf(deep)), "x");
    // Sizes and indents out of range are cut to sane values.
    const Document d = readRtf("{\\rtf1\\fs99999999999\\li-99999999999 A\\par}");
    ASSERT_EQ(d.paragraphs.size(), 1U);
    EXPECT_EQ(d.paragraphs[0].leftIndent, -maxIndent);
    EXPECT_EQ(d.paragraphs[0].runs[0].format.halfPoints, maxHalfPoints);
}

TEST(RichText, RecognisedByItsFirstBytes) {
    EXPECT_TRUE(isRichText("{\\rtf1\\ansi}"));
    EXPECT_TRUE(isRichText("{\\rtf"));
    EXPECT_FALSE(isRichText(" {\\rtf1"));
    EXPECT_FALSE(isRichText("{\\RTF1"));
    EXPECT_FALSE(isRichText("Фильтр"));
}

} // namespace
} // namespace zorkan::richtext
