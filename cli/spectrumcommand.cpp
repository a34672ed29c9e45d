// zorkan-cli spectrum: the spectral commands of the main window on one input file, as a
// table of the points, the ".reim" result file and the spectrum window's pictures.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "modelling/randomgenerator.h"
#include "spectral/spectralcommands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>

namespace zorkan::cli {

namespace {

const char* const spectrumHelp =
    "Использование: zorkan-cli spectrum КОМАНДА ВХОД [ПАРАМЕТРЫ]\n"
    "\n"
    "Спектральный анализ блока из 1024 точек, как команды главного окна.\n"
    "  bpf   быстрое преобразование Фурье\n"
    "  rpf   рекуррентный алгоритм с коэффициентом K\n"
    "  ppf   преобразование с переносом спектра с коэффициентом K\n"
    "  opf   обратное преобразование Фурье\n"
    "  view  входной сигнал без преобразования\n"
    "Вид входа - по расширению файла (в любом регистре): .dat (описание гармоник),\n"
    ".xicd (файл сигнала), .reim (комплексные точки).\n"
    "Выводит 1024 строки: номер точки, действительная и мнимая части, модуль и фаза\n"
    "таблицы после команды (для view - входа).\n"
    "\n"
    "  --output R.reim  записать результат преобразования в файл .reim\n"
    "  --k K            коэффициент для rpf (по умолчанию 0.98) и ppf (0.97);\n"
    "                   другими командами не используется\n"
    "  --draws-before N продвинуть общий генератор случайных чисел на N шагов до\n"
    "                   чтения входа (шум файла .dat зависит от его положения)\n"
    "  --picture P.bmp  записать три рисунка окна спектра одним файлом BMP\n"
    "  --help           эта справка\n"
    "\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1.\n";

std::optional<SpectralCommand> transformNamed(const std::string& name) {
    if (name == "bpf")
        return SpectralCommand::BPF;
    if (name == "rpf")
        return SpectralCommand::RPF;
    if (name == "ppf")
        return SpectralCommand::PPF;
    if (name == "opf")
        return SpectralCommand::OPF;
    return std::nullopt;
}

std::int32_t inputKind(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    std::string extension = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                ? std::string()
                                : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "dat")
        return datSpectrumInput;
    if (extension == "xicd")
        return xicdSpectrumInput;
    if (extension == "reim")
        return reimSpectrumInput;
    throw UserMessage("Вид входного файла определяется расширением: .dat, .xicd или .reim");
}

// The generator after `count` steps, found by composing its affine step with itself
// (seed -> a·seed + c modulo 2^32), so that any count takes a moment.
void advanceGenerator(std::uint64_t count) {
    std::uint32_t stepA = 134775813u, stepC = 1u; // one step
    std::uint32_t totalA = 1u, totalC = 0u;       // no step yet
    for (; count != 0; count >>= 1) {
        if (count & 1) {
            totalA = stepA * totalA;
            totalC = stepA * totalC + stepC;
        }
        stepC = stepA * stepC + stepC;
        stepA = stepA * stepA;
    }
    setRandomSeed(totalA * randomSeed() + totalC);
}

void printTable(const SpectrumPoints& table) {
    std::string line;
    for (std::size_t n = 0; n < table.size(); ++n) {
        const SpectrumPoint& p = table[n];
        line = std::to_string(n);
        for (double v : {p.re, p.im, p.magnitude, p.phase}) {
            line += ' ';
            line += formatReal(v);
        }
        line += '\n';
        std::fputs(line.c_str(), stdout);
    }
}

} // namespace

int runSpectrum(int argc, char** argv) {
    const Arguments args =
        parseArguments(argc, argv, 2, {"output", "k", "draws-before", "picture"});
    if (args.help) {
        std::fputs(spectrumHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 2)
        throw UserMessage("Укажите команду (bpf, rpf, ppf, opf или view) и входной файл");
    const std::string& name = args.positional[0];
    const std::optional<SpectralCommand> command = transformNamed(name);
    if (!command && name != "view")
        throw UserMessage("Неизвестная команда спектрального анализа: " + name);

    const std::string input = args.positional[1];
    const std::int32_t source = inputKind(input);
    const SpectrumInputNames names{input, input, input};
    const std::string output = textOption(args, "output", "");
    if (!command && !output.empty())
        throw UserMessage("Команда view не записывает файл: параметр --output не нужен");
    const std::string picturePath = textOption(args, "picture", "");
    checkOutputFiles({{"выходной файл (--output)", output}, {"рисунок (--picture)", picturePath}},
                     {{"входной файл", input}});

    SpectralState& state = spectralState();
    state.RecursiveCoefficient = realOption(args, "k", 0.98);
    state.ShiftCoefficient = realOption(args, "k", 0.97);
    const std::int64_t draws = integerOption(args, "draws-before", 0);
    if (draws < 0)
        throw UserMessage("Число шагов --draws-before не может быть отрицательным");
    advanceGenerator(static_cast<std::uint64_t>(draws));

    std::optional<SpectrumPictures> pictures;
    const SpectrumWindowMaker makeWindow = [&pictures] {
        pictures.emplace(makeSpectrumPictures());
        return std::array<Canvas*, spectrumPictureCount>{&(*pictures)[0], &(*pictures)[1],
                                                         &(*pictures)[2]};
    };
    try {
        if (command)
            runSpectralCommand(*command, source, names, output, state, makeWindow);
        else
            viewSpectralInput(source, names, state, makeWindow);
    } catch (const Error&) {
        // A window made before the refusal keeps what was drawn on it; so does the picture.
        if (pictures && !picturePath.empty())
            saveSpectrumPictures(*pictures, picturePath);
        throw;
    }
    printTable(state.SpectrumTable);
    if (!picturePath.empty())
        saveSpectrumPictures(*pictures, picturePath);
    return 0;
}

} // namespace zorkan::cli
