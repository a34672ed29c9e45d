// zorkan-cli testsignal and filter: the modelling window's test signals and file
// filtering, on the same engine and with the same files.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "modelling/filtering.h"
#include "modelling/modellingchart.h"
#include "modelling/randomgenerator.h"
#include "modelling/testsignals.h"

#include <cstdio>
#include <string>

namespace zorkan::cli {

namespace {

const char* const testSignalHelp =
    "Использование: zorkan-cli testsignal --filter ФАЙЛ.flt --kind K [ПАРАМЕТРЫ]\n"
    "\n"
    "Пропускает тестовый сигнал из 1024 отсчётов через фильтр из файла параметров\n"
    "(правила окна моделирования) и выводит строки \"Max IN\" и \"Max OUT\" со значениями,\n"
    "затем 1024 отсчёта выходного сигнала, по одному в строке.\n"
    "\n"
    "  --filter F       файл параметров фильтра (.flt)\n"
    "  --kind K         1 ступенька, 2 импульс, 3 синус с равномерным шумом,\n"
    "                   4 синус с гауссовским шумом, 5 синус без шума\n"
    "  --freq X         частота синуса в долях частоты дискретизации, по умолчанию 0.01\n"
    "                   (0 < X <= 2)\n"
    "  --sigma X        масштаб шума, по умолчанию 0.1 (0 < X <= 100)\n"
    "  --draws-before N сколько случайных чисел взять до сигнала, по умолчанию 0\n"
    "  --first N        первый отсчёт рисунка, по умолчанию 1\n"
    "  --last N         последний отсчёт рисунка, по умолчанию 1024 (first <= last <= 1024)\n"
    "  --picture P      записать рисунок окна (600 x 220) в файл BMP\n"
    "  --help           эта справка\n"
    "\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1.\n";

const char* const filterHelp =
    "Использование: zorkan-cli filter ФАЙЛ.flt ВХОД.xicd ВЫХОД.yicd [--work-file ФАЙЛ]\n"
    "\n"
    "Фильтрует файл сигнала (правила окна моделирования): выходной файл получает\n"
    "по строке на каждый входной отсчёт, рабочий файл - копию результата. Выходной\n"
    "файл заменяется только по окончании; если строку входного файла прочесть\n"
    "нельзя, он остаётся прежним. Все три файла должны быть разными.\n"
    "\n"
    "  --work-file F  рабочий файл, по умолчанию tmp.zicd в текущей папке\n"
    "  --help         эта справка\n";

void checkRange(bool ok, const std::string& what) {
    if (!ok)
        throw UserMessage("Недопустимое значение " + what);
}

} // namespace

int runTestSignal(int argc, char** argv) {
    const Arguments args = parseArguments(
        argc, argv, 2,
        {"filter", "kind", "freq", "sigma", "draws-before", "first", "last", "picture"});
    if (args.help) {
        std::fputs(testSignalHelp, stdout);
        return 0;
    }
    if (!args.positional.empty())
        throw UserMessage("Лишний параметр " + args.positional.front());
    const std::string filterPath = textOption(args, "filter", "");
    if (filterPath.empty())
        throw UserMessage("Укажите файл параметров фильтра: --filter ФАЙЛ.flt");
    checkOutputFiles({{"рисунок (--picture)", textOption(args, "picture", "")}},
                     {{"файл параметров фильтра (--filter)", filterPath}});
    const std::int64_t kind = integerOption(args, "kind", 0);
    checkRange(kind >= 1 && kind <= 5, "--kind (1..5)");
    const double frequency = realOption(args, "freq", 0.01);
    checkRange(frequency > 0 && frequency <= 2, "--freq (0 < X <= 2)");
    const double sigma = realOption(args, "sigma", 0.1);
    checkRange(sigma > 0 && sigma <= 100, "--sigma (0 < X <= 100)");
    const std::int64_t draws = integerOption(args, "draws-before", 0);
    checkRange(draws >= 0, "--draws-before (N >= 0)");
    const std::int64_t first = integerOption(args, "first", 1);
    const std::int64_t last = integerOption(args, "last", 1024);
    checkRange(first >= 1 && first <= last && last <= 1024,
               "--first/--last (1 <= first <= last <= 1024)");

    SectionTables tables;
    loadModellingFilter(filterPath, tables);
    for (std::int64_t i = 0; i < draws; ++i)
        nextRandom();

    TestSignalBuffer input{};
    TestSignalBuffer output{};
    const double maxIn = generateTestSignal(static_cast<SignalKind>(kind), frequency, sigma, input);
    const double maxOut = filterBlock(input, tables, tables.sectionCount(), output);

    std::printf("Max IN %s\nMax OUT %s\n", formatReal(maxIn).c_str(), formatReal(maxOut).c_str());
    for (double v : output)
        std::printf("%s\n", formatReal(v).c_str());

    const std::string picturePath = textOption(args, "picture", "");
    if (!picturePath.empty()) {
        Canvas canvas(modellingChartWidth, modellingChartHeight);
        clearPlot(canvas);
        plotTraces(canvas,
                   StrobeRange{static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(last)},
                   input, output, maxIn, maxOut);
        canvas.saveBmp(picturePath);
    }
    return 0;
}

int runFilter(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"work-file"});
    if (args.help) {
        std::fputs(filterHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 3)
        throw UserMessage("Укажите файл фильтра, входной и выходной файлы сигнала");
    SectionTables tables;
    loadModellingFilter(args.positional[0], tables);
    TextReader input(args.positional[1]);
    filterSignalFile(input, args.positional[1], args.positional[2],
                     textOption(args, "work-file", workFileName), tables, tables.sectionCount());
    return 0;
}

} // namespace zorkan::cli
