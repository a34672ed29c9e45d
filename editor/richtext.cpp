#include "editor/richtext.h"

#include "common/cp1251.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>

namespace zorkan::richtext {

namespace {

constexpr char32_t replacement = 0xFFFD;
constexpr char32_t lineSeparator = 0x2028;

// Bytes 0x80..0x9F of code page 1252; the rest of its upper half is Latin-1.
constexpr std::array<char32_t, 32> cp1252Controls = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// One code point of UTF-8 text at `i`, advancing `i`; malformed bytes give U+FFFD.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80)
        return b;
    int extra;
    char32_t cp;
    if ((b & 0xE0) == 0xC0) {
        extra = 1;
        cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2;
        cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3;
        cp = b & 0x07;
    } else {
        return replacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return replacement;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

// The byte of code page 1251 for a code point, or -1 when the code page lacks it.
int cp1251Byte(char32_t cp) {
    if (cp < 0x80)
        return static_cast<int>(cp);
    std::string utf8;
    appendUtf8(utf8, cp);
    const std::string encoded = toCp1251(utf8);
    if (encoded.size() != 1 || encoded[0] == '?')
        return -1;
    return static_cast<unsigned char>(encoded[0]);
}

// The iconv name of the other 8-bit code pages this reader knows.
const char* iconvName(int codePage) {
    switch (codePage) {
    case 1250:
        return "CP1250";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 1257:
        return "CP1257";
    case 866:
        return "CP866";
    case 20866:
        return "KOI8-R";
    default:
        return nullptr;
    }
}

using UpperHalf = std::array<char32_t, 128>;

// Bytes 0x80..0xFF of a code page by glibc's iconv, built once per code page; bytes it
// does not map become U+FFFD. Null when iconv has no such code page.
const UpperHalf* upperHalf(int codePage) {
    static std::mutex guard;
    static std::map<int, std::unique_ptr<UpperHalf>> tables;
    const std::lock_guard lock(guard);
    if (const auto found = tables.find(codePage); found != tables.end())
        return found->second.get();
    std::unique_ptr<UpperHalf>& table = tables[codePage];
    const iconv_t cd = ::iconv_open("UTF-32LE", iconvName(codePage));
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    table = std::make_unique<UpperHalf>();
    for (int b = 0x80; b <= 0xFF; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1, outLeft = sizeof out;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool ok =
            ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
            outLeft == 4;
        (*table)[b - 0x80] = ok ? static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                                                        static_cast<char32_t>(out[3]) << 24)
                                : replacement;
    }
    ::iconv_close(cd);
    return table.get();
}

char32_t decodeByte(int codePage, unsigned char b) {
    if (b < 0x80)
        return b;
    if (codePage == 1251) {
        const std::string utf8 = fromCp1251(std::string_view(reinterpret_cast<char*>(&b), 1));
        std::size_t i = 0;
        return nextCodePoint(utf8, i);
    }
    if (iconvName(codePage) != nullptr) {
        // Text runs in one code page: the last table found serves the next byte too.
        thread_local int lastPage = 0;
        thread_local const UpperHalf* lastTable = nullptr;
        if (codePage != lastPage) {
            lastTable = upperHalf(codePage);
            lastPage = codePage;
        }
        if (lastTable)
            return (*lastTable)[b - 0x80];
    }
    // 1252, and the code pages this reader does not know, as 1252.
    if (b < 0xA0)
        return cp1252Controls[b - 0x80];
    return b;
}

// The code page of a font's \fcharset, or 0 for "the document's".
int charsetCodePage(int charset) {
    switch (charset) {
    case 204:
        return 1251;
    case 238:
        return 1250;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 186:
        return 1257;
    case 0:
    case 1:
        return 0;
    default:
        return 1252;
    }
}

// ---------------------------------------------------------------- writer

void writeText(std::string& out, std::string_view text, bool fontName) {
    std::size_t i = 0;
    char hex[16];
    while (i < text.size()) {
        const char32_t cp = nextCodePoint(text, i);
        if (cp == '\\' || cp == '{' || cp == '}') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\t') {
            out += fontName ? " " : "\\tab ";
        } else if (cp == lineSeparator) {
            out += fontName ? " " : "\\line ";
        } else if (cp < 0x20 || cp == 0x7F || cp == 0xFFFC || (fontName && cp == ';')) {
            // Control characters and object placeholders have no text form.
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (const int b = cp1251Byte(cp); b >= 0) {
            std::snprintf(hex, sizeof hex, "\\'%02x", b);
            out += hex;
        } else if (cp > 0xFFFF && cp <= 0x10FFFF) {
            const char32_t v = cp - 0x10000;
            const int high = static_cast<int>(0xD800 + (v >> 10)) - 65536;
            const int low = static_cast<int>(0xDC00 + (v & 0x3FF)) - 65536;
            std::snprintf(hex, sizeof hex, "\\u%d?", high);
            out += hex;
            std::snprintf(hex, sizeof hex, "\\u%d?", low);
            out += hex;
        } else {
            // \u takes a signed 16-bit number.
            const int n = cp > 0x7FFF ? static_cast<int>(cp) - 65536 : static_cast<int>(cp);
            std::snprintf(hex, sizeof hex, "\\u%d?", n);
            out += hex;
        }
    }
}

const char* alignmentWord(Alignment a) {
    switch (a) {
    case Alignment::Center:
        return "\\qc";
    case Alignment::Right:
        return "\\qr";
    case Alignment::Left:
        break;
    }
    return "\\ql";
}

// ---------------------------------------------------------------- reader

enum class Destination { Text, Skip, FontTable, Bullet };

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int firstIndent = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    bool bullet = false;
};

struct GroupState {
    Destination destination = Destination::Text;
    int fontNumber = 0;
    CharFormat format;
    ParagraphFormat paragraph;
    int unicodeSkip = 1;     // \ucN
    bool bulletRoot = false; // the group that opened a {\pn ...} destination
    bool hidden = false;     // \v: text that is not shown
};

struct FontEntry {
    std::string name;
    int codePage = 0; // 0: the document's
};

// Destinations whose text is no part of the document.
bool isSkippedDestination(std::string_view word) {
    static constexpr std::string_view skipped[] = {
        "colortbl",  "stylesheet", "info",       "pict",      "object",
        "header",    "headerl",    "headerr",    "headerf",   "footer",
        "footerl",   "footerr",    "footerf",    "footnote",  "pntext",
        "listtext",  "fldinst",    "nonshppict", "shp",       "xe",
        "tc",        "txe",        "rxe",        "listtable", "listoverridetable",
        "revtbl",    "filetbl",    "private",    "comment",   "author",
        "operator",  "title",      "subject",    "keywords",  "doccomm",
        "creatim",   "revtim",     "printim",    "buptim",    "ftnsep",
        "ftnsepc",   "ftncn",      "aftnsep",    "aftnsepc",  "aftncn",
        "template",  "userprops",  "docvar",     "generator", "latentstyles",
        "rsidtbl",   "mmathPr",    "xmlnstbl",   "themedata", "colorschememapping",
        "datastore", "pgdsctbl",   "annotation", "atnid",     "atnauthor",
        "company",   "manager",    "category",   "hlinkbase",
    };
    return std::find(std::begin(skipped), std::end(skipped), word) != std::end(skipped);
}

int clampInt(long long v, int lo, int hi) {
    return static_cast<int>(std::clamp<long long>(v, lo, hi));
}

class Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) { stack_.emplace_back(); }

    Document read() {
        while (pos_ < in_.size()) {
            const auto c = static_cast<unsigned char>(in_[pos_++]);
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlWord();
                break;
            case '\r':
            case '\n':
            case 0:
                break;
            default:
                byte(c);
                break;
            }
        }
        flushSurrogate();
        if (!current_.runs.empty())
            endParagraph();
        lost_.numberedLists = lost_.numberedLists || (listUsed_ && numberedLevel_);
        return std::move(document_);
    }

    const LostContent& lost() const { return lost_; }

  private:
    // Nesting deeper than this is counted but not kept: no input can exhaust memory.
    static constexpr std::size_t maxDepth = 4096;

    GroupState& top() { return stack_.back(); }

    void openGroup() {
        if (stack_.size() >= maxDepth) {
            ++overflow_;
            return;
        }
        GroupState next = top();
        next.bulletRoot = false;
        stack_.push_back(next);
        unicodeSkipLeft_ = 0;
    }

    void closeGroup() {
        unicodeSkipLeft_ = 0;
        ignorableNext_ = false;
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        // A closing brace too many is ignored: the text after it is still read.
        if (stack_.size() <= 1)
            return;
        const GroupState closed = top();
        stack_.pop_back();
        if (closed.destination == Destination::FontTable)
            finishFontEntry();
        if (closed.bulletRoot && bulletSeen_) {
            top().paragraph.bullet = true;
            bulletSeen_ = false;
        }
    }

    // Reads a control word or symbol after its backslash.
    void controlWord() {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_]))
            ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);
        bool hasParameter = false;
        bool negative = false;
        long long parameter = 0;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParameter = true;
            // Huge numbers saturate instead of overflowing.
            if (parameter < 10'000'000'000LL)
                parameter = parameter * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            parameter = -parameter;
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        handleWord(word, hasParameter, parameter);
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    static int hexValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    void controlSymbol(char c) {
        switch (c) {
        case '\'': {
            // \'hh; a cut-off or malformed one is dropped.
            if (pos_ + 1 < in_.size()) {
                const int high = hexValue(in_[pos_]);
                const int low = hexValue(in_[pos_ + 1]);
                if (high >= 0 && low >= 0) {
                    pos_ += 2;
                    byte(static_cast<unsigned char>(high * 16 + low));
                    return;
                }
            }
            pos_ = std::min(pos_ + 2, in_.size());
            return;
        }
        case '\\':
        case '{':
        case '}':
            byte(static_cast<unsigned char>(c));
            return;
        case '~':
            text(0x00A0);
            return;
        case '_':
            text(0x2011);
            return;
        case '*':
            ignorableNext_ = true;
            return;
        case '\r':
        case '\n':
            if (top().destination == Destination::Text)
                endParagraph();
            return;
        default:
            // \- (optional hyphen), \| and \: (formula and index marks) show nothing.
            return;
        }
    }

    void handleWord(std::string_view word, bool hasParameter, long long parameter) {
        const bool ignorable = ignorableNext_;
        ignorableNext_ = false;
        if (word == "bin") {
            // Binary data: its bytes are skipped wherever they are.
            const auto count = static_cast<std::size_t>(std::max<long long>(0, parameter));
            pos_ += std::min(count, in_.size() - pos_);
            return;
        }
        if (word == "levelnfc" || word == "levelnfcn")
            numberedLevel_ = numberedLevel_ || (parameter != 23 && parameter != 255);
        GroupState& state = top();
        if (state.destination == Destination::Skip)
            return;
        noteLoss(state, word, hasParameter, parameter);
        if (word == "pn") {
            state.destination = Destination::Bullet;
            state.bulletRoot = true;
            bulletSeen_ = false;
            return;
        }
        if (word == "fonttbl") {
            state.destination = Destination::FontTable;
            return;
        }
        if (isSkippedDestination(word)) {
            state.destination = Destination::Skip;
            return;
        }
        if (state.destination == Destination::Bullet) {
            if (word == "pnlvlblt")
                bulletSeen_ = true;
            return;
        }
        if (state.destination == Destination::FontTable) {
            if (ignorable) {
                state.destination = Destination::Skip;
            } else if (word == "f") {
                finishFontEntry();
                fontTableEntry_ = clampInt(parameter, -1'000'000, 1'000'000);
                fontTableCodePage_ = 0;
            } else if (word == "fcharset") {
                fontTableCodePage_ = charsetCodePage(clampInt(parameter, 0, 255));
            } else if (word == "cpg" && parameter > 0) {
                fontTableCodePage_ = clampInt(parameter, 0, 65535);
            } else if (word == "u") {
                const long long v = parameter < 0 ? parameter + 65536 : parameter;
                appendUtf8(fontName_,
                           v < 0x20 || v > 0xFFFF ? replacement : static_cast<char32_t>(v));
                unicodeSkipLeft_ = state.unicodeSkip;
            } else if (word == "uc") {
                state.unicodeSkip = clampInt(parameter, 0, 16);
            }
            return;
        }
        // An unknown destination marked as ignorable is skipped whole.
        if (ignorable && !isKnownTextWord(word)) {
            state.destination = Destination::Skip;
            return;
        }
        textWord(state, word, hasParameter, parameter);
    }

    static bool isKnownTextWord(std::string_view word) { return word == "fldrslt"; }

    // Words of the file's content that the document model does not keep.
    void noteLoss(const GroupState& state, std::string_view word, bool hasParameter,
                  long long parameter) {
        if (word == "pict" || word == "shp" || word == "shppict" || word == "nonshppict" ||
            word == "object")
            lost_.pictures = true;
        else if (word.starts_with("header") || word.starts_with("footer"))
            lost_.headersFooters = true;
        else if (word == "footnote")
            lost_.footnotes = true;
        else if (word == "field")
            lost_.fields = true;
        if (state.destination == Destination::Bullet) {
            if (word == "pnlvlbody" || word == "pnlvl" || word == "pndec" || word == "pnucrm" ||
                word == "pnlcrm" || word == "pnucltr" || word == "pnlcltr")
                lost_.numberedLists = true;
            return;
        }
        if (state.destination != Destination::Text)
            return;
        if (word == "trowd" || word == "intbl" || word == "cell" || word == "row")
            lost_.tables = true;
        else if ((word == "cf" || word == "cb" || word == "highlight" || word == "chcbpat") &&
                 hasParameter && parameter > 0)
            lost_.colours = true;
        else if (word == "ls" && parameter > 0)
            listUsed_ = true;
    }

    void textWord(GroupState& state, std::string_view word, bool hasParameter,
                  long long parameter) {
        const bool on = !hasParameter || parameter != 0;
        CharFormat& format = state.format;
        ParagraphFormat& paragraph = state.paragraph;
        if (word == "par" || word == "row" || word == "sect") {
            endParagraph();
        } else if (word == "line") {
            text(lineSeparator);
        } else if (word == "tab" || word == "cell") {
            text('\t');
        } else if (word == "u") {
            long long v = parameter;
            if (v < 0)
                v += 65536;
            unicode(v < 0 || v > 0xFFFF ? replacement : static_cast<char32_t>(v));
            unicodeSkipLeft_ = state.unicodeSkip;
        } else if (word == "uc") {
            state.unicodeSkip = clampInt(parameter, 0, 16);
        } else if (word == "ansicpg") {
            codePage_ = clampInt(parameter, 0, 65535);
        } else if (word == "deff") {
            defaultFont_ = clampInt(parameter, -1'000'000, 1'000'000);
            state.fontNumber = defaultFont_;
        } else if (word == "f") {
            state.fontNumber = clampInt(parameter, -1'000'000, 1'000'000);
        } else if (word == "fs") {
            format.halfPoints =
                hasParameter ? clampInt(parameter, minHalfPoints, maxHalfPoints) : 24;
        } else if (word == "b") {
            format.bold = on;
        } else if (word == "i") {
            format.italic = on;
        } else if (word == "ulnone") {
            format.underline = false;
        } else if (word.starts_with("ul") && word != "ulc") {
            format.underline = on;
        } else if (word == "v") {
            state.hidden = on;
        } else if (word == "plain") {
            format = CharFormat();
            state.fontNumber = defaultFont_;
            state.hidden = false;
        } else if (word == "pard") {
            paragraph = ParagraphFormat();
        } else if (word == "ql" || word == "qj" || word == "qd") {
            paragraph.alignment = Alignment::Left;
        } else if (word == "qc") {
            paragraph.alignment = Alignment::Center;
        } else if (word == "qr") {
            paragraph.alignment = Alignment::Right;
        } else if (word == "fi") {
            paragraph.firstIndent = clampInt(parameter, -maxIndent, maxIndent);
        } else if (word == "li" || word == "lin") {
            paragraph.leftIndent = clampInt(parameter, -maxIndent, maxIndent);
        } else if (word == "ri" || word == "rin") {
            paragraph.rightIndent = clampInt(parameter, -maxIndent, maxIndent);
        } else if (word == "ls") {
            // A paragraph of a list of the newer form; the list's own text is in \listtext.
            paragraph.bullet = parameter > 0;
        } else if (word == "emdash") {
            text(0x2014);
        } else if (word == "endash") {
            text(0x2013);
        } else if (word == "bullet") {
            text(0x2022);
        } else if (word == "lquote") {
            text(0x2018);
        } else if (word == "rquote") {
            text(0x2019);
        } else if (word == "ldblquote") {
            text(0x201C);
        } else if (word == "rdblquote") {
            text(0x201D);
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            text(' ');
        }
    }

    // A byte of text in the code page of the current font.
    void byte(unsigned char b) {
        const GroupState& state = top();
        if (state.destination == Destination::FontTable) {
            if (unicodeSkipLeft_ > 0 && b != ';') {
                --unicodeSkipLeft_;
                return;
            }
            if (b == ';') {
                finishFontEntry();
                return;
            }
            const int page = fontTableCodePage_ != 0 ? fontTableCodePage_ : codePage_;
            if (b >= 0x20)
                appendUtf8(fontName_, decodeByte(page, b));
            return;
        }
        if (state.destination != Destination::Text)
            return;
        if (b == '\t') {
            text('\t');
            return;
        }
        if (b < 0x20)
            return;
        int page = codePage_;
        if (const auto font = fonts_.find(state.fontNumber);
            font != fonts_.end() && font->second.codePage != 0)
            page = font->second.codePage;
        text(decodeByte(page, b));
    }

    // Text from a character or a control symbol; the characters standing in for a \u
    // are skipped.
    void text(char32_t cp) {
        if (top().destination != Destination::Text)
            return;
        if (unicodeSkipLeft_ > 0) {
            --unicodeSkipLeft_;
            return;
        }
        flushSurrogate();
        append(cp);
    }

    void unicode(char32_t cp) {
        if (top().destination != Destination::Text)
            return;
        if (cp >= 0xDC00 && cp <= 0xDFFF && highSurrogate_ != 0) {
            const char32_t combined = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00);
            highSurrogate_ = 0;
            append(combined);
            return;
        }
        flushSurrogate();
        if (cp >= 0xD800 && cp <= 0xDBFF)
            highSurrogate_ = cp;
        else if (cp >= 0xDC00 && cp <= 0xDFFF)
            append(replacement);
        else
            append(cp);
    }

    void flushSurrogate() {
        if (highSurrogate_ != 0) {
            highSurrogate_ = 0;
            append(replacement);
        }
    }

    void append(char32_t cp) {
        if (cp == 0 || (cp < 0x20 && cp != '\t'))
            return;
        const GroupState& state = top();
        if (state.hidden) {
            lost_.hiddenText = true;
            return;
        }
        static const std::string noName;
        const auto font = fonts_.find(state.fontNumber);
        const std::string& fontName = font != fonts_.end() ? font->second.name : noName;
        // Most characters continue the last run: compare without building a format.
        bool same = !current_.runs.empty();
        if (same) {
            const CharFormat& last = current_.runs.back().format;
            same = last.halfPoints == state.format.halfPoints && last.bold == state.format.bold &&
                   last.italic == state.format.italic && last.underline == state.format.underline &&
                   last.fontName == fontName;
        }
        if (!same) {
            CharFormat format = state.format;
            format.fontName = fontName;
            current_.runs.push_back(Run{std::move(format), {}});
        }
        appendUtf8(current_.runs.back().text, cp);
    }

    void endParagraph() {
        flushSurrogate();
        const ParagraphFormat& format = top().paragraph;
        current_.alignment = format.alignment;
        current_.firstIndent = format.firstIndent;
        current_.leftIndent = format.leftIndent;
        current_.rightIndent = format.rightIndent;
        current_.bullet = format.bullet;
        document_.paragraphs.push_back(std::move(current_));
        current_ = Paragraph();
    }

    void finishFontEntry() {
        if (fontTableEntry_ == noFont)
            return;
        std::string name = fontName_;
        const auto first = name.find_first_not_of(' ');
        const auto last = name.find_last_not_of(' ');
        name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
        fonts_[fontTableEntry_] = FontEntry{name, fontTableCodePage_};
        fontTableEntry_ = noFont;
        fontName_.clear();
    }

    static constexpr int noFont = -2'000'000;

    std::string_view in_;
    std::size_t pos_ = 0;
    std::vector<GroupState> stack_;
    std::size_t overflow_ = 0;
    bool ignorableNext_ = false;
    int unicodeSkipLeft_ = 0;
    char32_t highSurrogate_ = 0;
    bool bulletSeen_ = false;
    int codePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, FontEntry> fonts_;
    int fontTableEntry_ = noFont;
    int fontTableCodePage_ = 0;
    std::string fontName_;
    Paragraph current_;
    Document document_;
    LostContent lost_;
    bool listUsed_ = false;      // a paragraph of a list of the newer form
    bool numberedLevel_ = false; // a list level that numbers instead of a bullet
};

} // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = replacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isRichText(std::string_view bytes) {
    return bytes.starts_with("{\\rtf");
}

std::string writeRtf(const Document& document) {
    std::vector<std::string> fonts;
    const auto fontIndex = [&fonts](const std::string& name) {
        const auto found = std::find(fonts.begin(), fonts.end(), name);
        if (found != fonts.end())
            return static_cast<int>(found - fonts.begin());
        fonts.push_back(name);
        return static_cast<int>(fonts.size()) - 1;
    };
    for (const Paragraph& paragraph : document.paragraphs)
        for (const Run& run : paragraph.runs)
            fontIndex(run.format.fontName);
    if (fonts.empty())
        fonts.emplace_back("Times New Roman");

    std::string out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\r\n{\\fonttbl";
    char number[64];
    for (std::size_t k = 0; k < fonts.size(); ++k) {
        std::snprintf(number, sizeof number, "{\\f%zu\\fnil\\fcharset204 ", k);
        out += number;
        writeText(out, fonts[k], true);
        out += ";}";
    }
    out += "}\r\n";
    for (const Paragraph& paragraph : document.paragraphs) {
        out += "\\pard";
        if (paragraph.bullet)
            out += "{\\*\\pn\\pnlvlblt\\pnf0\\pnindent0{\\pntxtb\\'95}}";
        out += alignmentWord(paragraph.alignment);
        std::snprintf(number, sizeof number, "\\fi%d\\li%d\\ri%d ", paragraph.firstIndent,
                      paragraph.leftIndent, paragraph.rightIndent);
        out += number;
        if (paragraph.bullet)
            out += "{\\pntext\\f0\\'95\\tab}";
        for (const Run& run : paragraph.runs) {
            if (run.text.empty())
                continue;
            std::snprintf(number, sizeof number, "{\\f%d\\fs%d", fontIndex(run.format.fontName),
                          run.format.halfPoints);
            out += number;
            if (run.format.bold)
                out += "\\b";
            if (run.format.italic)
                out += "\\i";
            if (run.format.underline)
                out += "\\ul";
            out += ' ';
            writeText(out, run.text, false);
            out += '}';
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

Document readRtf(std::string_view bytes, LostContent* lost) {
    Reader reader(bytes);
    Document document = reader.read();
    if (lost)
        *lost = reader.lost();
    return document;
}

bool LostContent::any() const {
    return pictures || tables || headersFooters || footnotes || fields || colours ||
           numberedLists || hiddenText;
}

std::string LostContent::describe() const {
    const std::pair<bool, const char*> kinds[] = {
        {pictures, "рисунки и объекты"},
        {tables, "таблицы"},
        {headersFooters, "колонтитулы"},
        {footnotes, "сноски"},
        {fields, "поля"},
        {colours, "цвет текста"},
        {numberedLists, "нумерация списков"},
        {hiddenText, "скрытый текст"},
    };
    std::string text;
    for (const auto& [present, name] : kinds) {
        if (!present)
            continue;
        if (!text.empty())
            text += ", ";
        text += name;
    }
    return text;
}

} // namespace zorkan::richtext
