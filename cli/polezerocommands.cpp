// zorkan-cli from-roots, pole-grid and spectrum-of: the pole-zero editor's computations
// without its window.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "polezero/polegrid.h"
#include "polezero/polezeromodel.h"
#include "polezero/rootlist.h"
#include "polezero/welch.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace zorkan::cli {

namespace {

// The most sections the readers of parameter files hold.
constexpr std::size_t fileSectionLimit = 32;

const char* const fromRootsHelp =
    "Использование: zorkan-cli from-roots --zeros СПИСОК --poles СПИСОК\n"
    "                                     [--gain G | --unit-gain-at F] [--fd FD]\n"
    "                                     --output Ф.flt\n"
    "\n"
    "Записывает фильтр H(z) = G·П(1 - z_k z^-1) / П(1 - p_k z^-1), заданный нулями z_k\n"
    "и полюсами p_k, секциями второго порядка в файл параметров (.flt). СПИСОК - корни\n"
    "через запятую, каждый:\n"
    "  R     действительный корень (например, -0.5)\n"
    "  R:A   пара R·e^(±jA), угол A в радианах\n"
    "  R@F   пара на частоте F в единицах FD (нужен --fd): A = 2πF/FD, 0 <= F < FD/2\n"
    "Пары сопряженных корней дают секции второго порядка; действительные корни\n"
    "объединяются в пары (наименьший с наибольшим). Каждой паре полюсов, начиная с\n"
    "ближайшей к единичной окружности, дается ближайшая к ней пара нулей; секции идут\n"
    "по возрастанию радиуса полюсов, множитель G - в числителе первой.\n"
    "\n"
    "  --zeros СПИСОК     нули (без них - ни одного)\n"
    "  --poles СПИСОК     полюсы (без них - ни одного)\n"
    "  --gain G           множитель G (по умолчанию 1)\n"
    "  --unit-gain-at F   G такой, что |H| = 1 на частоте F (0 <= F <= FD/2; без\n"
    "                     --fd F в долях FD)\n"
    "  --fd FD            частота дискретизации (для --unit-gain-at по умолчанию 1)\n"
    "  --output Ф.flt     файл параметров фильтра (не более 32 секций)\n"
    "\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1,\n"
    "файл не записывается.\n";

const char* const poleGridHelp =
    "Использование: zorkan-cli pole-grid --coef-bits C --structure СТРУКТУРА\n"
    "                                    [--region r0,r1,θ0,θ1] [--json] [--csv]\n"
    "\n"
    "Положения пар комплексных полюсов, которые секция второго порядка структуры\n"
    "реализует с C-разрядными коэффициентами (дополнительный код), строго внутри\n"
    "единичной окружности; каждая пара задается своим полюсом над осью (0 < θ < π).\n"
    "Формат коэффициентов:\n"
    "  df1, df2, df2t, ef  a1, a2 знаменателя 1 + a1 z^-1 + a2 z^-2 - кратные 2^-(C-2)\n"
    "                      в [-2, 2)\n"
    "  normal              α = r cos θ, β = r sin θ - кратные 2^-(C-1) в [-1, 1)\n"
    "  lattice             k1, k2 - кратные 2^-(C-1) в (-1, 1); a2 = k2, a1 = k1(1 + k2)\n"
    "  optimal             своей сетки нет: коэффициенты зависят и от нулей секции\n"
    "Выводит число положений в области и наибольший промежуток: наибольшее среди всех\n"
    "положений области расстояние до ближайшего к нему другого положения области\n"
    "(0, если положений меньше двух).\n"
    "\n"
    "  --coef-bits C               разрядность коэффициентов, от 4 до 20\n"
    "  --structure СТРУКТУРА       df1, df2, df2t, ef, normal, lattice\n"
    "  --region r0,r1,θ0,θ1        только радиусы r0..r1 и углы θ0..θ1 (радианы),\n"
    "                              0 <= r0 < r1 <= 1, 0 <= θ0 < θ1 <= π\n"
    "  --json                      число и промежуток объектом JSON: count, largest_gap\n"
    "  --csv                       вместо них - сами положения: строки re,im\n"
    "\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1.\n";

const char* const spectrumOfHelp =
    "Использование: zorkan-cli spectrum-of ФАЙЛ [--segment N] [--fd FD] [--csv]\n"
    "\n"
    "Усредненный спектр звукового файла (отсчеты - доли полной шкалы) или файла\n"
    "сигнала (.xicd, .yicd) методом Уэлча, как scipy.signal.welch: отрезки по N\n"
    "отсчетов с перекрытием N/2, из каждого вычтено его среднее, окно Ханна\n"
    "(периодическое), односторонняя спектральная плотность мощности; каналы\n"
    "усредняются. Выводит частоту (в герцах для звукового файла, в единицах FD для\n"
    "файла сигнала) и 10·lg плотности, дБ.\n"
    "\n"
    "  --segment N   длина отрезка, от 16 до 1048576 (по умолчанию 4096)\n"
    "  --fd FD       частота дискретизации (по умолчанию: звукового файла - его,\n"
    "                файла сигнала - 1)\n"
    "  --csv         строки частота,дБ с заголовком\n"
    "\n"
    "При ошибке сообщение выводится в stderr, код выхода 1.\n";

std::optional<double> samplingFrequency(const Arguments& args) {
    if (!args.options.count("fd"))
        return std::nullopt;
    const double fd = realOption(args, "fd", 0);
    if (!(fd > 0) || !std::isfinite(fd))
        throw UserMessage("Частота дискретизации FD должна быть больше нуля");
    return fd;
}

GridRegion parseRegion(const std::string& text) {
    double v[4];
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = text.find(',', start);
        if ((k < 3) != (comma != std::string::npos) ||
            !parseDecimalReal(
                text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                v[k]))
            throw UserMessage("Область записана неверно: ожидается r0,r1,θ0,θ1");
        start = comma + 1;
    }
    return {v[0], v[1], v[2], v[3]};
}

} // namespace

int runFromRoots(int argc, char** argv) {
    const Arguments args =
        parseArguments(argc, argv, 2, {"zeros", "poles", "gain", "unit-gain-at", "fd", "output"});
    if (args.help) {
        std::fputs(fromRootsHelp, stdout);
        return 0;
    }
    if (!args.positional.empty())
        throw UserMessage("Лишний параметр: " + args.positional.front());
    const std::string output = textOption(args, "output", "");
    if (output.empty())
        throw UserMessage("Укажите файл параметров фильтра (--output)");
    if (args.options.count("gain") && args.options.count("unit-gain-at"))
        throw UserMessage("Ключи --gain и --unit-gain-at нельзя задавать вместе");
    const std::optional<double> fd = samplingFrequency(args);
    PoleZeroModel model;
    for (const SectionRoot& r : parseRootList(textOption(args, "zeros", ""), fd))
        model.add(RootSet::Zeros, r);
    for (const SectionRoot& r : parseRootList(textOption(args, "poles", ""), fd))
        model.add(RootSet::Poles, r);
    model.fd = fd.value_or(1);
    if (args.options.count("unit-gain-at")) {
        model.gain = {GainKind::AtFrequency, 1, realOption(args, "unit-gain-at", 0)};
    } else {
        const double g = realOption(args, "gain", 1);
        if (!std::isfinite(g))
            throw UserMessage("Множитель G должен быть конечным числом");
        model.gain = {GainKind::Fixed, g, 0};
    }
    const FilterCoefficients filter = model.filter();
    if (filter.sections.size() > fileSectionLimit)
        throw UserMessage("Фильтр занимает " + std::to_string(filter.sections.size()) +
                          " секций, а файл параметров вмещает не более " +
                          std::to_string(fileSectionLimit));
    writeFilterFile(output, filter.order, filter);
    std::printf("Записан файл %s: секций %zu, G = %s\n", output.c_str(), filter.sections.size(),
                formatRoundTrip(model.gainFactor()).c_str());
    return 0;
}

int runPoleGrid(int argc, char** argv) {
    const Arguments args =
        parseArguments(argc, argv, 2, {"coef-bits", "structure", "region"}, {"json", "csv"});
    if (args.help) {
        std::fputs(poleGridHelp, stdout);
        return 0;
    }
    if (!args.positional.empty())
        throw UserMessage("Лишний параметр: " + args.positional.front());
    if (!args.options.count("coef-bits") || !args.options.count("structure"))
        throw UserMessage("Укажите разрядность коэффициентов (--coef-bits) и структуру "
                          "(--structure)");
    const bool json = switchGiven(args, "json"), csv = switchGiven(args, "csv");
    if (json && csv)
        throw UserMessage("Ключи --json и --csv нельзя задавать вместе");
    const std::int64_t bits = integerOption(args, "coef-bits", 0);
    const Structure structure = parseStructure(textOption(args, "structure", ""));
    const GridRegion region =
        args.options.count("region") ? parseRegion(textOption(args, "region", "")) : GridRegion{};
    checkGridBits(bits);
    const int c = static_cast<int>(bits);
    checkGridRequest(structure, c, region);
    if (csv) {
        std::puts("re,im");
        forEachGridPoint(structure, c, region, [](std::complex<double> z) {
            std::printf("%s,%s\n", formatRoundTrip(z.real()).c_str(),
                        formatRoundTrip(z.imag()).c_str());
        });
        return 0;
    }
    const PoleGridFigures figures = poleGridFigures(structure, c, region);
    if (json)
        std::printf("{\"count\": %lld, \"largest_gap\": %s}\n",
                    static_cast<long long>(figures.count),
                    formatRoundTrip(figures.largestGap).c_str());
    else
        std::printf("Положений: %lld\nНаибольший промежуток: %s\n",
                    static_cast<long long>(figures.count),
                    formatRoundTrip(figures.largestGap).c_str());
    return 0;
}

int runSpectrumOf(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"segment", "fd"}, {"csv"});
    if (args.help) {
        std::fputs(spectrumOfHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 1)
        throw UserMessage("Укажите один звуковой файл или файл сигнала");
    const std::int64_t segment =
        integerOption(args, "segment", static_cast<std::int64_t>(welchDefaultSegment));
    checkWelchSegment(segment);
    const WelchSpectrum s = welchOfFile(args.positional[0], static_cast<std::size_t>(segment),
                                        samplingFrequency(args).value_or(0));
    const bool csv = switchGiven(args, "csv");
    std::puts(csv ? "frequency,psd_db" : "Частота\tСПМ, дБ");
    for (std::size_t k = 0; k < s.frequency.size(); ++k)
        std::printf("%s%c%s\n", formatRoundTrip(s.frequency[k]).c_str(), csv ? ',' : '\t',
                    formatRoundTrip(10 * std::log10(s.density[k])).c_str());
    return 0;
}

} // namespace zorkan::cli
