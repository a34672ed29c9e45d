// zorkan-cli and the files it writes: a reader that stops early, outputs that name one file.
#include "clirunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
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

} // namespace
} // namespace zorkan::testing
