// The sentences that name a failed file, and the file and line the readers and writers
// hand on with their errors.
#include "common/errors.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using namespace zorkan;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace {

template <class Action> InOutError inOutErrorOf(Action action) {
    try {
        action();
    } catch (const InOutError& e) {
        return e;
    }
    return InOutError(0, "nothing thrown");
}

} // namespace

// Every code the platform gives, with and without a line, by the error's own file or by
// the one the caller names.
TEST(FileErrorText, EachCodeHasItsSentence) {
    struct Row {
        int code;
        const char* carriedPath;
        int carriedLine;
        const char* path; // given by the caller; "" takes the carried one
        int line;
        const char* sentence;
    };
    const Row rows[] = {
        {2, "lp.flt", 0, "", 0, "Файл не найден: lp.flt"},
        {3, "out/lp.flt", 0, "", 0, "Не найдена папка файла out/lp.flt"},
        {5, "lp.flt", 0, "", 0, "Нет доступа к файлу lp.flt"},
        {101, "lp.out", 0, "", 0, "Нет места на диске для файла lp.out"},
        {103, "s.wav", 0, "", 0, "Файл не открыт: s.wav"},
        {106, "lp.flt", 3, "", 0, "Неверное число в файле lp.flt, строка 3"},
        {106, "lp.flt", 0, "", 0, "Неверное число в файле lp.flt"},
        {28, "lp.flt", 0, "", 0, "Нет места на диске для файла lp.flt"},
        {36, "a b.flt", 0, "", 0, "Слишком длинное имя файла: a b.flt"},
        {40, "l.flt", 0, "", 0, "Слишком много ссылок в пути к файлу l.flt"},
        {27, "big.sig", 0, "", 0, "Файл слишком велик: big.sig"},
        {24, "lp.flt", 0, "", 0, "Слишком много открытых файлов, не открыт файл lp.flt"},
        {23, "lp.flt", 0, "", 0, "Слишком много открытых файлов, не открыт файл lp.flt"},
        {22, "lp.flt", 0, "", 0, "Ошибка ввода-вывода 22 в файле lp.flt"},
        {100, "lp.flt", 0, "", 0, "Ошибка ввода-вывода 100 в файле lp.flt"},
        {2, "", 0, "", 0, "Файл не найден"},
        {106, "", 7, "", 0, "Неверное число, строка 7"},
        {22, "", 0, "", 0, "Ошибка ввода-вывода 22"},
        {3, "lp.flt.~12-0", 0, "lp.flt", 0, "Не найдена папка файла lp.flt"},
        {106, "", 0, "x.txt", 12, "Неверное число в файле x.txt, строка 12"},
        {106, "x.txt", 4, "", 9, "Неверное число в файле x.txt, строка 9"},
        {106, "x.txt", 4, "y.txt", 0, "Неверное число в файле y.txt, строка 4"},
    };
    for (const Row& r : rows) {
        const InOutError e(r.code, "platform text", r.carriedPath, r.carriedLine);
        EXPECT_EQ(fileErrorText(e, r.path, r.line), r.sentence) << r.code << " " << r.sentence;
    }
}

// The named error keeps the code, file and line, so naming it twice changes nothing.
TEST(FileErrorText, NamedErrorKeepsWhatItNames) {
    const InOutError first =
        namedFileError(InOutError(106, "Invalid numeric input", "", 0), "bad.flt", 3);
    EXPECT_STREQ(first.what(), "Неверное число в файле bad.flt, строка 3");
    EXPECT_EQ(first.code(), 106);
    EXPECT_EQ(first.path(), "bad.flt");
    EXPECT_EQ(first.line(), 3);
    const InOutError again = namedFileError(first);
    EXPECT_STREQ(again.what(), first.what());
    const InOutError caught =
        inOutErrorOf([] { namingFiles([]() -> int { throwOpenError(EACCES, false, "ro.flt"); }); });
    EXPECT_STREQ(caught.what(), "Нет доступа к файлу ro.flt");
}

// The throwing helpers keep the platform's text and hand on the file.
TEST(FileErrorText, PlatformTextsStayAndCarryTheFile) {
    struct Row {
        int errnoValue;
        bool forWriting;
        int code;
        const char* text;
    };
    const Row rows[] = {
        {ENOENT, false, 2, "File not found"},    {ENOENT, true, 3, "I/O error 3"},
        {ENOTDIR, false, 3, "I/O error 3"},      {EACCES, false, 5, "I/O error 5"},
        {EISDIR, true, 5, "I/O error 5"},        {EROFS, true, 5, "I/O error 5"},
        {EMFILE, false, EMFILE, "I/O error 24"},
    };
    for (const Row& r : rows) {
        const InOutError e =
            inOutErrorOf([&] { throwOpenError(r.errnoValue, r.forWriting, "d/f.txt"); });
        EXPECT_EQ(e.code(), r.code) << r.text;
        EXPECT_STREQ(e.what(), r.text);
        EXPECT_EQ(e.path(), "d/f.txt") << r.text;
    }
}

// The line a malformed number starts on: CR LF, LF and a lone CR each end one line, so
// does a line skipped whole, and a CR LF split by the reader's 64 KiB buffer is one end.
TEST(FileErrorText, MalformedNumberNamesItsLine) {
    struct Row {
        const char* name;
        std::string bytes;
        int skipLinesAfterFirst; // lines skipped whole after the first number
        int line;
    };
    const Row rows[] = {
        {"first line", "x\r\n", 0, 1},
        {"same line as a number", "1 2 x\r\n", 0, 1},
        {"CR LF", "1\r\n2\r\nx\r\n", 0, 3},
        {"LF", "1\n2\nx\n", 0, 3},
        {"lone CR", "1\r2\rx\r", 0, 3},
        {"empty lines", "1\r\n\r\n\r\n x", 0, 4},
        {"LF CR is two ends", "1\n\rx", 0, 3},
        {"CR CR LF is two ends", "1\r\r\nx", 0, 3},
        {"blanks and tabs", "1\t \r\n \t x", 0, 2},
        {"a skipped line", "1 junk\r\n2\r\nx", 1, 3},
        {"two skipped lines", "1 junk\r\nmore junk\r\n x", 2, 3},
        {"skip ends at a lone CR", "1 a\rb\rx", 2, 3},
        {"CR LF across the buffer edge", "1" + std::string(65534, ' ') + "\r\nx", 0, 2},
        {"CR then LF after the edge", "1" + std::string(65533, ' ') + "\r\r\nx", 0, 3},
    };
    TempDir dir;
    for (const Row& r : rows) {
        const std::string path = dir.file("n.txt");
        writeBytes(path, r.bytes);
        TextReader in(path);
        const InOutError e = inOutErrorOf([&] {
            in.readReal();
            for (int i = 0; i < r.skipLinesAfterFirst; ++i)
                in.skipLine();
            for (;;)
                in.readReal();
        });
        EXPECT_STREQ(e.what(), "Invalid numeric input") << r.name;
        EXPECT_EQ(e.line(), r.line) << r.name;
        EXPECT_EQ(e.path(), path) << r.name;
        EXPECT_EQ(static_cast<int>(in.line()), r.line) << r.name;
    }
}

// The same for integers and for bytes already in memory, which name no file.
TEST(FileErrorText, IntegersAndBytesInMemory) {
    TextReader in = TextReader::fromBytes("2\r\n0\r\n1.5\r\n");
    EXPECT_EQ(in.readInteger(), 2);
    EXPECT_EQ(in.line(), 1u);
    EXPECT_EQ(in.readInteger(), 0);
    const InOutError e = inOutErrorOf([&] { in.readInteger(); });
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(e.path(), "");
    EXPECT_EQ(fileErrorText(e, "lp.flt"), "Неверное число в файле lp.flt, строка 3");
}

// A write that fails names the file, or the one a temporary is written for.
TEST(FileErrorText, FailedWritesNameTheFileShown) {
    struct Row {
        const char* shown;
        const char* sentence;
    };
    const Row rows[] = {
        {"", "Нет места на диске для файла /dev/full"},
        {"lp.out", "Нет места на диске для файла lp.out"},
    };
    for (const Row& r : rows) {
        const InOutError e = inOutErrorOf([&] {
            TextWriter out("/dev/full", r.shown);
            out.writeLine("1");
            out.close();
        });
        EXPECT_EQ(e.code(), 101) << r.shown;
        EXPECT_EQ(fileErrorText(e), r.sentence);
    }
}

// Files that cannot be opened, created or replaced carry the name they were given.
TEST(FileErrorText, OpeningAndCreatingNameTheFile) {
    TempDir dir;
    const std::string missing = dir.file("absent.flt");
    const std::string noFolder = dir.file("no/such/out.txt");
    struct Row {
        const char* name;
        InOutError error;
        std::string sentence;
    };
    const Row rows[] = {
        {"reader", inOutErrorOf([&] { TextReader in(missing); }), "Файл не найден: " + missing},
        {"writer", inOutErrorOf([&] { TextWriter out(noFolder); }),
         "Не найдена папка файла " + noFolder},
        {"replacement", inOutErrorOf([&] { FileReplacement r(noFolder); }),
         "Не найдена папка файла " + noFolder},
        {"safe write", inOutErrorOf([&] { writeFileSafely(noFolder, "x"); }),
         "Не найдена папка файла " + noFolder},
        {"folder as a file", inOutErrorOf([&] { writeFileSafely(dir.path().string(), "x"); }),
         "Нет доступа к файлу " + dir.path().string()},
    };
    for (const Row& r : rows)
        EXPECT_EQ(fileErrorText(r.error), r.sentence) << r.name;
}
