// zorkan-cli and the files it writes: a reader that stops early, outputs that name one file.
#include "clirunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zorkan::testing {
namespace {

// Runs zorkan-cli with its standard output on a pipe whose reading end is already
// closed, as after "| head -1" has taken its line: every write to it fails.
CliOutcome runCliIntoClosedPipe(const TempDir& dir, const std::string& arguments) {
    const std::string command = "cd '" + dir.path().string() + "' && exec '" ZORKAN_CLI_PATH "' " +
                                arguments + " 2>'" + dir.file("stderr.txt") + "'";
    int ends[2];
    CliOutcome o;
    if (::pipe(ends) != 0)
        return o;
    ::close(ends[0]);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(ends[1], STDOUT_FILENO);
        ::close(ends[1]);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.err = readBytes(dir.file("stderr.txt"));
    return o;
}

TEST(CliClosedOutput, RunFinishesItsFilesWhenTheReaderStopsEarly) {
    struct Row {
        const char* options;
    };
    const Row rows[] = {
        {"--approx chebyshev --f1 0.1 --f4 0.15 --da 0.5 --b1 40"},
        {"--approx elliptic --f3 0.1 --f2 0.2 --f1 0.3 --f4 0.4 --check"},
        {"--approx bessel --order 6 --band lowpass --edge 0.1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options);
        TempDir dir;
        const CliOutcome piped = runCliIntoClosedPipe(
            dir, std::string("design ") + row.options + " --report piped.out --filter piped.flt");
        const CliOutcome plain = runCli(dir, std::string("design ") + row.options +
                                                 " --report plain.out --filter plain.flt");
        ASSERT_EQ(plain.status, 0) << plain.err;
        ASSERT_FALSE(plain.out.empty());
        EXPECT_EQ(piped.status, 0) << piped.err;
        EXPECT_EQ(piped.err, "");
        const std::string report = readBytes(dir.file("plain.out"));
        ASSERT_GT(report.size(), 1000u);
        EXPECT_EQ(readBytes(dir.file("piped.out")), report);
        EXPECT_EQ(readBytes(dir.file("piped.flt")), readBytes(dir.file("plain.flt")));
    }
}

TEST(CliOutputFiles, OutputsThatReachOneFileAreRefusedBeforeAnythingIsWritten) {
    struct Row {
        const char* arguments;
        const char* message;
    };
    // keep.flt is a designed filter and keep.dat a signal; both must keep their bytes.
    const Row rows[] = {
        {"design --report x.out --filter x.out",
         "Один и тот же файл x.out задан как отчет (--report) и как файл параметров фильтра "
         "(--filter): выберите разные имена"},
        {"design --report sub/../x.out --filter ./x.out",
         "Один и тот же файл sub/../x.out задан как отчет (--report) и как файл параметров "
         "фильтра (--filter): выберите разные имена"},
        {"design --report keep.flt --filter link.flt",
         "Один и тот же файл keep.flt задан как отчет (--report) и как файл параметров фильтра "
         "(--filter): выберите разные имена"},
        {"spectrum bpf keep.dat --output x.bmp --picture ./x.bmp",
         "Один и тот же файл x.bmp задан как выходной файл (--output) и как рисунок (--picture): "
         "выберите разные имена"},
        {"spectrum bpf keep.dat --output keep.dat",
         "Файл keep.dat задан и как выходной файл (--output), и как входной файл: выберите "
         "другое имя"},
        {"spectrum view keep.dat --picture link.dat",
         "Файл link.dat задан и как рисунок (--picture), и как входной файл: выберите другое имя"},
        {"response keep.flt --picture ./keep.flt",
         "Файл ./keep.flt задан и как рисунок (--picture), и как файл параметров фильтра: "
         "выберите другое имя"},
        {"testsignal --filter keep.flt --kind 1 --picture link.flt",
         "Файл link.flt задан и как рисунок (--picture), и как файл параметров фильтра "
         "(--filter): выберите другое имя"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        TempDir dir;
        std::filesystem::create_directory(dir.path() / "sub");
        ASSERT_EQ(runCli(dir, "design --report keep.out --filter keep.flt").status, 0);
        writeBytes(dir.file("keep.dat"), "1\r\n2\r\n");
        std::filesystem::create_symlink("keep.flt", dir.path() / "link.flt");
        std::filesystem::create_symlink("keep.dat", dir.path() / "link.dat");
        const std::string filter = readBytes(dir.file("keep.flt"));
        const CliOutcome o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, std::string(row.message) + "\n");
        EXPECT_EQ(o.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.out"));
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.bmp"));
        EXPECT_EQ(readBytes(dir.file("keep.flt")), filter);
        EXPECT_EQ(readBytes(dir.file("keep.dat")), "1\r\n2\r\n");
    }
}

// The code names its header as it is on disk, so a set exported under a Cyrillic name
// with a space compiles, and its golden vectors pass; a name an include cannot carry is
// refused before anything is written.
TEST(CliExportNames, CodeUnderACyrillicNameWithASpaceCompilesAndPasses) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --approx 3 --f1 0.1 --f4 0.13 --da 0.5 --b1 60 --report "
                          "lp.out --filter lp.flt")
                  .status,
              0);
    std::filesystem::create_directory(dir.path() / "Мои фильтры");
    const std::string standIns = ZORKAN_SOURCE_DIR "/tests/cmsis";
    struct Row {
        const char* options;
        std::string extra; // the kernels for CMSIS
    };
    const Row rows[] = {
        {"--format c --type double", ""},
        {"--format c --type q15", ""},
        {"--format cmsis --type q31", "-I'" + standIns + "' '" + standIns + "/kernels.c'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options);
        const CliOutcome exported =
            runCli(dir, std::string("export lp.flt ") + row.options +
                            " --test-vectors 300 --output 'Мои фильтры/фвч код'");
        ASSERT_EQ(exported.status, 0) << exported.err;
        const std::string source = readBytes(dir.file("Мои фильтры/фвч код.c"));
        EXPECT_NE(source.find("\n#include \"фвч код.h\"\n"), std::string::npos);
        const std::string build = "cd '" + dir.path().string() +
                                  "/Мои фильтры' && cc -std=c99 -O2 -Wall -Wextra -Werror "
                                  "-pedantic 'фвч код.c' 'фвч код_test.c' " +
                                  row.extra + " -o t > run.txt 2>&1 && ./t >> run.txt 2>&1";
        EXPECT_EQ(std::system(build.c_str()), 0) << readBytes(dir.file("Мои фильтры/run.txt"));
        EXPECT_EQ(readBytes(dir.file("Мои фильтры/run.txt")), "OK\n");
    }
    for (const char* name :
         {"'a\"b'", "'a\\b'", "\"$(printf 'a\\nb')\"", "\"$(printf '\\377')\""}) {
        SCOPED_TRACE(name);
        const CliOutcome refused =
            runCli(dir, std::string("export lp.flt --format c --output ") + name);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("нельзя записать в #include кода C"), std::string::npos)
            << refused.err;
    }
    std::size_t written = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++written;
    EXPECT_EQ(written, 4u); // lp.out, lp.flt, the folder and stderr.txt
}

// The report's tables of the phase and the magnitude run to FD/2 in the unit of FD unless
// --ff2 is given: 24000 for --fd 48000, in row 20 of the 20 intervals.
TEST(CliDesignTables, RunToHalfTheSamplingFrequencyByDefault) {
    struct Row {
        const char* options;
        const char* lastRow;
    };
    const Row rows[] = {
        {"--fd 48000 --f1 3000 --f4 4000", "\r\n20   2.40000000000000E+0004 "},
        {"--fd 48000 --f1 3000 --f4 4000 --ff2 12000", "\r\n20   1.20000000000000E+0004 "},
        {"--f1 0.2 --f4 0.25", "\r\n20   5.00000000000000E-0001 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options);
        TempDir dir;
        ASSERT_EQ(runCli(dir, std::string("design ") + row.options).status, 0);
        const std::string report = readBytes(dir.file("1.out"));
        std::size_t count = 0;
        for (std::size_t at = report.find(row.lastRow); at != std::string::npos;
             at = report.find(row.lastRow, at + 1))
            ++count;
        EXPECT_EQ(count, 2u);
    }
}

} // namespace
} // namespace zorkan::testing
