// zorkan-cli spectrum: the table, the result file and the picture are those of the core's
// command run in this process from the same generator position.
#include "modelling/randomgenerator.h"
#include "spectral/spectralcommands.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace zorkan {
namespace {

using testing::CliOutcome;
using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

std::string tableText(const SpectrumPoints& table) {
    std::string text;
    for (std::size_t n = 0; n < table.size(); ++n) {
        text += std::to_string(n);
        for (double v : {table[n].re, table[n].im, table[n].magnitude, table[n].phase})
            text += ' ' + formatReal(v);
        text += '\n';
    }
    return text;
}

struct CoreRun {
    std::string table;
    std::string reim;
    std::string picture;
};

// The command as the window runs it, from the generator position reached after `draws`.
CoreRun coreRun(const TempDir& dir, std::optional<SpectralCommand> command, std::int32_t source,
                const std::string& input, double K, std::uint32_t draws) {
    setRandomSeed(0);
    for (std::uint32_t i = 0; i < draws; ++i)
        nextRandom();
    auto state = std::make_unique<SpectralState>();
    state->RecursiveCoefficient = state->ShiftCoefficient = K;
    SpectrumPictures pictures = makeSpectrumPictures();
    const auto window = [&] {
        return std::array<Canvas*, 3>{&pictures[0], &pictures[1], &pictures[2]};
    };
    const SpectrumInputNames names{dir.file(input), dir.file(input), dir.file(input)};
    const std::string reim = dir.file("core.reim");
    if (command)
        runSpectralCommand(*command, source, names, reim, *state, window);
    else
        viewSpectralInput(source, names, *state, window);
    saveSpectrumPictures(pictures, dir.file("core.bmp"));
    return {tableText(state->SpectrumTable), command ? readBytes(reim) : std::string(),
            readBytes(dir.file("core.bmp"))};
}

void writeInputs(const TempDir& dir) {
    std::string signal;
    for (int n = 0; n < 1100; ++n)
        signal += formatReal(std::cos(0.3 * n) + 0.001 * n) + "\r\n";
    writeBytes(dir.file("s.xicd"), signal);
    writeBytes(dir.file("h.DAT"), "1 10 0\r\n0.5 100.5 1\r\n");
    writeBytes(dir.file("p.ReIm"), "1 2\r\n-3 0.5\r\n0 -1\r\n");
}

TEST(CliSpectrum, AgreesWithTheCoreOnEveryCommandAndInput) {
    TempDir dir;
    writeInputs(dir);
    const struct {
        const char* arguments;
        std::optional<SpectralCommand> command;
        std::int32_t source;
        const char* input;
        double K;
        std::uint32_t draws;
    } rows[] = {
        {"bpf s.xicd", SpectralCommand::BPF, xicdSpectrumInput, "s.xicd", 0, 0},
        {"bpf h.DAT", SpectralCommand::BPF, datSpectrumInput, "h.DAT", 0, 0},
        {"bpf h.DAT --draws-before 12345", SpectralCommand::BPF, datSpectrumInput, "h.DAT", 0,
         12345},
        {"opf p.ReIm", SpectralCommand::OPF, reimSpectrumInput, "p.ReIm", 0, 0},
        {"rpf s.xicd", SpectralCommand::RPF, xicdSpectrumInput, "s.xicd", 0.98, 0},
        {"rpf p.ReIm --k 0.5", SpectralCommand::RPF, reimSpectrumInput, "p.ReIm", 0.5, 0},
        {"ppf h.DAT --draws-before 3", SpectralCommand::PPF, datSpectrumInput, "h.DAT", 0.97, 3},
        {"ppf s.xicd --k 1", SpectralCommand::PPF, xicdSpectrumInput, "s.xicd", 1, 0},
        {"view h.DAT --draws-before 1", std::nullopt, datSpectrumInput, "h.DAT", 0, 1},
        {"view s.xicd", std::nullopt, xicdSpectrumInput, "s.xicd", 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        std::filesystem::remove(dir.file("out.reim"));
        const std::string options =
            row.command ? " --output out.reim --picture out.bmp" : " --picture out.bmp";
        const CliOutcome o = runCli(dir, std::string("spectrum ") + row.arguments + options);
        ASSERT_EQ(o.status, 0) << o.err;
        const CoreRun core = coreRun(dir, row.command, row.source, row.input, row.K, row.draws);
        EXPECT_EQ(o.out, core.table);
        EXPECT_EQ(readBytes(dir.file("out.reim")), core.reim);
        EXPECT_EQ(readBytes(dir.file("out.bmp")), core.picture);
    }
}

TEST(CliSpectrum, RowLayout) {
    TempDir dir;
    writeBytes(dir.file("one.reim"), "512 0\r\n");
    const CliOutcome o = runCli(dir, "spectrum bpf one.reim");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string row = " 1.00000000000000E+0000  0.00000000000000E+0000"
                            "  1.00000000000000E+0000  0.00000000000000E+0000\n";
    EXPECT_EQ(o.out.substr(0, 2 + row.size()), "0 " + row);
    EXPECT_EQ(o.out.size(), 10 * 1 + 90 * 2 + 900 * 3 + 24 * 4 + 1024 * (1 + row.size()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("bpf.reim"))); // no --output, no file
}

TEST(CliSpectrum, RefusalsWriteNothing) {
    const struct {
        const char* arguments;
        const char* message;
        bool picture; // the window was made before the refusal
    } rows[] = {
        {"spectrum bpf bad.reim", "Invalid numeric input\n", false},
        {"spectrum bpf comma.dat", "Invalid numeric input\n", false},
        {"spectrum ppf missing.xicd", "File not found\n", false},
        {"spectrum bpf good.reim --output no/such/r.reim", "I/O error 3\n", true},
        {"spectrum bpf good.txt",
         "Вид входного файла определяется расширением: .dat, .xicd или .reim\n", false},
        {"spectrum fft good.reim", "Неизвестная команда спектрального анализа: fft\n", false},
        {"spectrum view good.reim --output v.reim",
         "Команда view не записывает файл: параметр --output не нужен\n", false},
        {"spectrum rpf good.reim --k 0,5", "'0,5' is not a valid floating point value\n", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        TempDir dir;
        writeBytes(dir.file("bad.reim"), "1 2\r\nx 1\r\n");
        writeBytes(dir.file("comma.dat"), "0,5 10 0\r\n");
        writeBytes(dir.file("good.reim"), "1 2\r\n");
        writeBytes(dir.file("good.txt"), "1 2\r\n");
        const CliOutcome o = runCli(dir, std::string(row.arguments) + " --picture p.bmp");
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, row.message);
        EXPECT_EQ(o.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir.file("v.reim")));
        EXPECT_EQ(std::filesystem::exists(dir.file("p.bmp")), row.picture);
    }
}

TEST(CliSpectrum, WriteErrorKeepsOnlyTheInputPicture) {
    TempDir dir;
    writeBytes(dir.file("in.reim"), "1 2\r\n-1 3\r\n");
    const CliOutcome o = runCli(dir, "spectrum bpf in.reim --output no/r.reim --picture p.bmp");
    ASSERT_EQ(o.status, 1);
    SpectrumPictures expected = makeSpectrumPictures();
    SpectrumPoints input;
    readReimInput(dir.file("in.reim"), input);
    for (Canvas& c : expected)
        clearSpectrumPicture(c);
    plotSpectrumTrace(expected[0], inputTraceColor, SpectrumColumn::Re, 1024, input);
    saveSpectrumPictures(expected, dir.file("expected.bmp"));
    EXPECT_EQ(readBytes(dir.file("p.bmp")), readBytes(dir.file("expected.bmp")));
}

} // namespace
} // namespace zorkan
