#pragma once
// Rich text as the editor keeps it in files: a document of paragraphs, each a list of
// runs of text with one character format. The RTF reader and writer work on this model
// only, without any window, so that files can be checked and fuzzed on their own.
#include <string>
#include <string_view>
#include <vector>

namespace zorkan::richtext {

enum class Alignment { Left, Center, Right };

struct CharFormat {
    std::string fontName; // UTF-8
    int halfPoints = 24;  // font size in half-points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const CharFormat&) const = default;
};

// A piece of one paragraph's text (UTF-8) in one format. U+2028 is a line break inside
// the paragraph, '\t' a tab.
struct Run {
    CharFormat format;
    std::string text;
    bool operator==(const Run&) const = default;
};

// Indents in twips (1/20 point): `leftIndent` of every line from the left margin,
// `firstIndent` of the first line relative to the others, `rightIndent` from the right.
struct Paragraph {
    Alignment alignment = Alignment::Left;
    int firstIndent = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    bool bullet = false;
    std::vector<Run> runs;
    bool operator==(const Paragraph&) const = default;
};

struct Document {
    std::vector<Paragraph> paragraphs;
    bool operator==(const Document&) const = default;
};

// Largest indent kept from a file, in twips (22 inches); larger values are cut to it.
constexpr int maxIndent = 31680;
// Font sizes kept from a file, in half-points.
constexpr int minHalfPoints = 2;
constexpr int maxHalfPoints = 3276;

// True when the bytes begin with "{\rtf": the file is rich text.
bool isRichText(std::string_view bytes);

// Standard RTF that word processors open: \ansicpg1251, a font table, sizes in
// half-points, \b \i \ul, \ql \qc \qr, \fi \li \ri, bullet paragraphs; characters of code
// page 1251 as \'hh, every other character as \uN?. Every paragraph ends with \par.
std::string writeRtf(const Document& document);

// What a file held that the model above cannot keep: saving the document over that
// file loses it.
struct LostContent {
    bool pictures = false; // pictures and embedded objects
    bool tables = false;   // the table structure (the cells' text is kept)
    bool headersFooters = false;
    bool footnotes = false;
    bool fields = false; // field codes (their last result is kept as text)
    bool colours = false;
    bool numberedLists = false; // numbering (the paragraphs become bullets)
    bool hiddenText = false;
    bool any() const;
    // The lost kinds in Russian (UTF-8), separated by commas.
    std::string describe() const;
};

// Reads RTF as word processors write it. Never fails: unknown control words and
// destinations are skipped, unbalanced or truncated input gives the text read so far.
// A paragraph ends at \par and at \sect; one after the last is kept only when it holds
// text. Hidden text (\v) is not read. \ansicpg, \fcharset and \cpg choose the code page
// of \'hh bytes: 1251 by its own table, 1250, 1253, 1254, 1257, 866 and 20866 (KOI8-R)
// through iconv, any other as 1252. `lost`, when given, tells what was not kept.
Document readRtf(std::string_view bytes, LostContent* lost = nullptr);

// Appends the UTF-8 form of a code point (invalid ones become U+FFFD).
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace zorkan::richtext
