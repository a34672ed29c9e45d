// zorkan-cli: the computing core without windows. Same files, same bytes.
#include "cli/commands.h"

#include "common/errors.h"
#include "zorkanconfig.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

void printUsage() {
    std::puts(
        "Использование: zorkan-cli КОМАНДА [ПАРАМЕТРЫ]\n"
        "\n"
        "Команды:\n"
        "  design    расчёт цифрового фильтра: отчёт (.out) и файл параметров (.flt)\n"
        "  response  частотные характеристики фильтра (.flt): таблица и рисунок (.bmp)\n"
        "  quantise  квантование коэффициентов фильтра (.flt): D дробных разрядов\n"
        "  testsignal  тестовый сигнал через фильтр (.flt): Max IN, Max OUT, выход\n"
        "  filter    фильтрация файла сигнала (.xicd) в выходной файл (.yicd)\n"
        "  spectrum  спектральный анализ 1024 точек (.dat, .xicd, .reim): BPF, RPF, PPF, OPF\n"
        "  wav2sig   звуковой файл (.wav) в файл сигнала (.xicd) и файл заголовка\n"
        "  sig2wav   файл сигнала (.yicd) в конец звукового файла (.wav)\n"
        "  filter-sound  звуковой файл (WAV, FLAC, OGG, AIFF) через фильтр (.flt, .fir)\n"
        "  export    фильтр (.flt) секциями второго порядка, КИХ-фильтр (.fir): CSV, Octave,\n"
        "            Python, C, CMSIS-DSP, Verilog\n"
        "  analyse   анализ фильтра (.flt, .fir): нули и полюсы, устойчивость, групповое\n"
        "            время задержки, импульсная и переходная характеристики, сравнение\n"
        "  implement реализация фильтра (.flt, .fir) в арифметике устройства: double, float,\n"
        "            q15, q31, свой формат; побитно точное моделирование, шум, переполнения\n"
        "  plot      характеристики до 8 фильтров (.flt, .fir): АЧХ, ФЧХ, групповое время\n"
        "            задержки, маска допусков из отчета (.out); таблица CSV, рисунок\n"
        "            PNG, SVG, PDF\n"
        "  design-fir  расчет КИХ-фильтра: равноволновый, наименьших квадратов, окно\n"
        "            Кайзера; коэффициенты (.fir) и отчет\n"
        "  equalise  корректор группового времени задержки фильтра (.flt): всепропускающие\n"
        "            секции\n"
        "  eq        звуковой эквалайзер: секции peak, lowshelf, highshelf, notch, bandpass,\n"
        "            allpass, lowpass, highpass\n"
        "  notch     режекторный фильтр (резонатор) второго порядка\n"
        "  comb      гребенчатый фильтр с провалами (пиками) на кратных частоты\n"
        "  fractional-delay  всепропускающий фильтр дробной задержки (Тиран)\n"
        "  from-analog  цифровой фильтр по аналоговому H(s)\n"
        "  from-roots  фильтр (.flt) по нулям и полюсам\n"
        "  pole-grid   сетка пар полюсов, реализуемых структурой с C-разрядными\n"
        "              коэффициентами: число положений, наибольший промежуток\n"
        "  spectrum-of усредненный спектр звукового файла или файла сигнала (Уэлч)\n"
        "  advise    БИХ или КИХ: все проекты, выполняющие требования (.out), их стоимость,\n"
        "            групповое время задержки и квантование\n"
        "\n"
        "zorkan-cli КОМАНДА --help описывает параметры команды.\n"
        "zorkan-cli --version выводит версию.");
}

} // namespace

int main(int argc, char** argv) {
    // A reader that stops early (zorkan-cli design | head -1) must not end a run halfway
    // through its files: a closed output makes a write fail instead of ending the program,
    // and the commands stop printing once a write has failed.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage();
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("zorkan-cli " ZORKAN_VERSION);
        return 0;
    }
    try {
        const char* command = argv[1];
        if (std::strcmp(command, "design") == 0)
            return zorkan::cli::runDesign(argc, argv);
        if (std::strcmp(command, "response") == 0)
            return zorkan::cli::runResponse(argc, argv);
        if (std::strcmp(command, "quantise") == 0)
            return zorkan::cli::runQuantise(argc, argv);
        if (std::strcmp(command, "spectrum") == 0)
            return zorkan::cli::runSpectrum(argc, argv);
        if (std::strcmp(command, "testsignal") == 0)
            return zorkan::cli::runTestSignal(argc, argv);
        if (std::strcmp(command, "filter") == 0)
            return zorkan::cli::runFilter(argc, argv);
        if (std::strcmp(command, "wav2sig") == 0)
            return zorkan::cli::runWav2Sig(argc, argv);
        if (std::strcmp(command, "sig2wav") == 0)
            return zorkan::cli::runSig2Wav(argc, argv);
        if (std::strcmp(command, "filter-sound") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runFilterSound(argc, argv); });
        if (std::strcmp(command, "export") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runExport(argc, argv); });
        if (std::strcmp(command, "implement") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runImplement(argc, argv); });
        if (std::strcmp(command, "plot") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runPlot(argc, argv); });
        if (std::strcmp(command, "design-fir") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runDesignFir(argc, argv); });
        if (std::strcmp(command, "analyse") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runAnalyse(argc, argv); });
        if (std::strcmp(command, "equalise") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runEqualise(argc, argv); });
        if (std::strcmp(command, "eq") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runEq(argc, argv); });
        if (std::strcmp(command, "notch") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runNotch(argc, argv); });
        if (std::strcmp(command, "comb") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runComb(argc, argv); });
        if (std::strcmp(command, "fractional-delay") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runFractionalDelay(argc, argv); });
        if (std::strcmp(command, "from-analog") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runFromAnalog(argc, argv); });
        if (std::strcmp(command, "from-roots") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runFromRoots(argc, argv); });
        if (std::strcmp(command, "pole-grid") == 0)
            return zorkan::cli::runPoleGrid(argc, argv);
        if (std::strcmp(command, "spectrum-of") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runSpectrumOf(argc, argv); });
        if (std::strcmp(command, "advise") == 0)
            return zorkan::namingFiles([&] { return zorkan::cli::runAdvise(argc, argv); });
        std::fprintf(stderr, "Неизвестная команда: %s\n", command);
        printUsage();
        return 2;
    } catch (const zorkan::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
