// The editor's plain-text files and ruler numbers: which names are plain, line ends,
// the CP1251 refusal, reading reports, safe writing.
#include "common/errors.h"
#include "common/replacefile.h"
#include "editor/ruler.h"
#include "editor/textfiles.h"
#include "tests/core/tempfiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zorkan::editor {
namespace {

TEST(EditorFiles, PlainTextNamesAreExactlyLowerCaseOutFltTxt) {
    const std::pair<const char*, bool> cases[] = {
        {"/tmp/1.out", true},   {"1.flt", true},      {"notes.txt", true},
        {"/tmp/1.OUT", false},  {"a.Txt", false},     {"a.rtf", false},
        {"a.outx", false},      {"out", false},       {"/tmp/x.txt/readme", false},
        {"/tmp/a.b.txt", true}, {"a.txt.rtf", false}, {"Untitled", false},
    };
    for (const auto& [name, plain] : cases)
        EXPECT_EQ(isPlainTextName(name), plain) << name;
}

TEST(EditorFiles, EveryLineIsFollowedByCrLfInCp1251) {
    const std::pair<const char*, std::string> cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\n", "a\r\n"},
        {"a\n\n", "a\r\n\r\n"},
        {"\n", "\r\n"},
        {"Фильтр\nb\u2028c", "\xD4\xE8\xEB\xFC\xF2\xF0\r\nb\r\nc\r\n"},
        {"tab\there ?", "tab\there ?\r\n"},
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(encodePlainText(text), bytes) << text;
}

TEST(EditorFiles, ACharacterOutsideCp1251IsRefusedByName) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc\nα", "«α» (U+03B1)"},
        {"漢", "«漢» (U+6F22)"},
        {"x\U0001F600", "«\U0001F600» (U+1F600)"},
    };
    for (const auto& [text, named] : cases) {
        try {
            encodePlainText(text);
            ADD_FAILURE() << text;
        } catch (const UserMessage& refusal) {
            const std::string message = refusal.what();
            EXPECT_NE(message.find("Windows-1251"), std::string::npos) << message;
            EXPECT_NE(message.find(named), std::string::npos) << message;
        }
    }
}

TEST(EditorFiles, PlainBytesAreReadAsUtf8OrCp1251) {
    const std::pair<std::string, const char*> cases[] = {
        {"\xD4\xE8\xEB\xFC\xF2\xF0\r\n", "Фильтр\n"},           // a design report
        {"Фильтр\r\n", "Фильтр\n"},                             // valid UTF-8
        {"\xEF\xBB\xBFNo BOM", "No BOM"},                       // mark dropped
        {"ASCII\rold mac\nunix\r\n", "ASCII\nold mac\nunix\n"}, // every line end
        {"\xC3\x28 stray", "\xD0\x93( stray"},                  // not UTF-8: CP1251
        {"\xE0\x80\x80", "\xD0\xB0\xD0\x82\xD0\x82"},           // overlong: CP1251
        {std::string("a\0b", 3), "ab"},                         // NUL dropped
        {"no end", "no end"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(decodePlainText(bytes), text) << bytes;
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // a surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80"));
}

TEST(EditorFiles, WritingReplacesTheFileWholeOrNotAtAll) {
    testing::TempDir dir;
    const std::string path = dir.file("note.rtf");
    testing::writeBytes(path, "old");
    ::chmod(path.c_str(), 0640);
    writeFileSafely(path, "new text");
    EXPECT_EQ(testing::readBytes(path), "new text");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
    EXPECT_EQ(readFileBytes(path), "new text");
    // Through a link to the file it names; a read-only file is refused and kept.
    std::filesystem::create_symlink("note.rtf", dir.file("link.rtf"));
    writeFileSafely(dir.file("link.rtf"), "linked");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.rtf")));
    EXPECT_EQ(testing::readBytes(path), "linked");
    ::chmod(path.c_str(), 0444);
    EXPECT_THROW(
        try { writeFileSafely(dir.file("link.rtf"), "lost"); } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "I/O error 5");
            throw;
        },
        InOutError);
    EXPECT_EQ(testing::readBytes(path), "linked");
    std::filesystem::remove(dir.file("link.rtf"));
    // Files written together: a folder in the place of the second keeps the first as it was.
    std::filesystem::create_directory(dir.file("folder.c"));
    ::chmod(path.c_str(), 0640);
    EXPECT_THROW(writeFilesSafely({{path, "first"}, {dir.file("folder.c"), "second"}}),
                 InOutError);
    EXPECT_EQ(testing::readBytes(path), "linked");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.c")));
    std::filesystem::remove(dir.file("folder.c"));
    // A folder that does not exist: the error, and nothing left behind.
    EXPECT_THROW(writeFileSafely(dir.file("missing/x.rtf"), "x"), InOutError);
    EXPECT_THROW(readFileBytes(dir.file("absent.rtf")), InOutError);
    EXPECT_THROW(readFileBytes(dir.path().string()), InOutError);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1U);
}

TEST(EditorRuler, MarkersFollowTheIndents) {
    struct Case {
        RulerIndents indents;
        int width;
        RulerMarkers markers;
    };
    const Case cases[] = {
        {{0, 0, 0}, 600, {2, 2, 586}},     {{36, 0, 0}, 600, {50, 50, 586}},
        {{18, 18, 9}, 500, {26, 50, 474}}, // 4/3·15 = 20
        {{1, 1, 1}, 400, {3, 4, 385}},     // 4/3, 8/3 and 28/3 cut to 1, 2 and 9
        {{-9, 4, 0}, 300, {-10, -4, 286}}, // -12 + 2; 4/3·-5 = -6.67 cut toward zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(rulerMarkers(c.indents, c.width), c.markers)
            << c.indents.first << " " << c.indents.left << " " << c.indents.right;
}

TEST(EditorRuler, ReleasedMarkersSetTheIndents) {
    // first = 3/4·(marker + half − 6); left = 3/4·(marker + half − 6) − first;
    // right = 3/4·(width + half − marker − 2) − 12.
    EXPECT_EQ(firstIndentAt(50, 5), 36);      // 3/4·49 = 36.75
    EXPECT_EQ(firstIndentAt(0, 4), -1);       // 3/4·-2 = -1.5 cut toward zero
    EXPECT_EQ(leftIndentAt(100, 5, 36), 38);  // 3/4·99 = 74.25
    EXPECT_EQ(leftIndentAt(10, 5, 20), -14);  // 3/4·9 = 6.75
    EXPECT_EQ(rightIndentAt(586, 5, 600), 0); // 3/4·17 = 12.75
    EXPECT_EQ(rightIndentAt(400, 5, 600), 140);
}

} // namespace
} // namespace zorkan::editor
