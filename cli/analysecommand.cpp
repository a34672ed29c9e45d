// zorkan-cli analyse: zeros and poles, stability, group delay, impulse and step
// responses of a stored filter, and its comparison with another.
#include "analysis/analysisplots.h"
#include "analysis/analysisrun.h"
#include "analysis/comparison.h"
#include "analysis/filteranalysis.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "fir/firfile.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace zorkan::cli {

namespace {

const char* const analyseHelp =
    "Использование: zorkan-cli analyse ФАЙЛ.flt|ФАЙЛ.fir [ПАРАМЕТРЫ]\n"
    "\n"
    "Анализ фильтра из файла параметров (читается, как для частотных характеристик)\n"
    "или КИХ-фильтра из файла коэффициентов .fir.\n"
    "Без параметров выводит сводку: порядок, число секций, устойчивость и наибольший\n"
    "радиус полюса, коэффициент передачи на частотах 0 и FD/2, наибольшее групповое\n"
    "время задержки (наибольшие из 1025 точек от 0 до FD/2 уточняются поиском\n"
    "золотым сечением между соседними точками).\n"
    "\n"
    "  --roots           нули и полюсы: по строке на корень - номер секции (с 1),\n"
    "                    нуль или полюс, Re, Im, радиус, угол в радианах\n"
    "  --group-delay N   N строк: частота f = i*FD/(2(N-1)), i = 0..N-1, групповое\n"
    "                    время задержки в отсчетах (и в секундах, если задана --fd)\n"
    "  --fd X            частота дискретизации, по умолчанию 1 (больше нуля)\n"
    "  --impulse N       N отсчетов импульсной характеристики, по одному в строке\n"
    "  --step N          N отсчетов переходной характеристики, по одному в строке\n"
    "  --compare G.flt   смещения нулей и полюсов (каждый корень фильтра, как в\n"
    "                    --roots, и ближайший корень того же рода из G.flt: Re, Im,\n"
    "                    расстояние) и наибольшее расхождение АЧХ в дБ в полосе\n"
    "                    пропускания (АЧХ первого фильтра не ниже -3 дБ от ее\n"
    "                    максимума) и на всех частотах, на сетке из 16385 частот\n"
    "                    от 0 до FD/2\n"
    "  --picture P.png   записать рисунок нулей и полюсов на z-плоскости (PNG; BMP,\n"
    "                    если имя кончается на .bmp); с --compare - обоих фильтров.\n"
    "                    Рисунок не может заменить файл фильтра\n"
    "  --help            эта справка\n"
    "\n"
    "N от 1 до 65536. Можно задать одну из таблиц (--roots, --group-delay, --impulse,\n"
    "--step, --compare). Числа выводятся в 23-символьном формате файлов системы.\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1;\n"
    "рисунок записывается до вывода таблицы, так что при ошибке записи не выводится\n"
    "ничего.\n"
    "\n"
    "КИХ-фильтр (.fir, H(z) = h0 + h1 z^-1 + ... + h(N-1) z^-(N-1)): нули - корни\n"
    "многочлена коэффициентов (секция 1), все N-1 полюсов - в начале координат, так\n"
    "что фильтр всегда устойчив. Корни ищутся для любой длины до 8192; при степени\n"
    "больше 128 все корни считаются простыми (кратный корень дает кольцо близких\n"
    "простых), хорошо отделенные корни точны до последних знаков double. Сводка\n"
    "называет тип линейной фазы: I и II - симметричные коэффициенты нечетной и четной\n"
    "длины, III и IV - антисимметричные (допуск 1e-12 от наибольшего коэффициента).\n"
    "Оба файла --compare могут быть и файлами .fir.\n";

// Lines gathered and written at once.
class Output {
  public:
    void line(const std::string& text) {
        text_ += text;
        text_ += '\n';
    }
    void flush() {
        std::fwrite(text_.data(), 1, text_.size(), stdout);
        text_.clear();
    }

  private:
    std::string text_;
};

int countOption(const Arguments& args, const std::string& name) {
    const std::int64_t n = integerOption(args, name, 0);
    checkSampleCount(n);
    return static_cast<int>(n);
}

} // namespace

int runAnalyse(int argc, char** argv) {
    const Arguments args = parseArguments(
        argc, argv, 2, {"group-delay", "fd", "impulse", "step", "compare", "picture"}, {"roots"});
    if (args.help) {
        std::fputs(analyseHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 1)
        throw UserMessage("Укажите один файл фильтра (.flt или .fir)");
    int tables = switchGiven(args, "roots") ? 1 : 0;
    for (const char* name : {"group-delay", "impulse", "step", "compare"})
        tables += args.options.count(name) ? 1 : 0;
    if (tables > 1)
        throw UserMessage("Задайте не более одной таблицы: --roots, --group-delay, --impulse, "
                          "--step или --compare");
    const bool fdGiven = args.options.count("fd") != 0;
    const double fd = realOption(args, "fd", 1.0);
    checkSamplingFrequency(fd);
    int groupDelayCount = 0, impulseCount = 0, stepCount = 0;
    if (args.options.count("group-delay"))
        groupDelayCount = countOption(args, "group-delay");
    if (args.options.count("impulse"))
        impulseCount = countOption(args, "impulse");
    if (args.options.count("step"))
        stepCount = countOption(args, "step");
    const std::string comparedPath = textOption(args, "compare", "");
    if (args.options.count("compare") && comparedPath.empty())
        throw UserMessage("Не задано имя второго файла фильтра (--compare)");
    const std::string picturePath = textOption(args, "picture", "");
    if (args.options.count("picture") && picturePath.empty())
        throw UserMessage("Не задано имя файла рисунка (--picture)");

    const std::string& filterPath = args.positional.front();
    if (!picturePath.empty())
        checkPictureName(picturePath, filterPath, comparedPath);

    const std::optional<FirFilter> fir =
        isFirFileName(filterPath)
            ? std::optional<FirFilter>(namingFiles([&] { return readFirFile(filterPath); }))
            : std::nullopt;
    const FilterCoefficients filter = fir ? FilterCoefficients{} : readAnalysedFilter(filterPath);
    // The group delay and the responses need no roots.
    const bool needsRoots = groupDelayCount == 0 && impulseCount == 0 && stepCount == 0;
    std::vector<FilterRoot> roots;
    if (needsRoots || !picturePath.empty())
        roots = fir ? firRoots(fir->taps) : filterRoots(filter);
    FilterCoefficients compared;
    std::optional<FirFilter> comparedFir;
    std::vector<FilterRoot> comparedRoots;
    if (!comparedPath.empty() && isFirFileName(comparedPath)) {
        comparedFir = readComparedFir(comparedPath);
        comparedRoots = firRoots(comparedFir->taps);
    } else if (!comparedPath.empty()) {
        compared = readComparedFilter(comparedPath);
        comparedRoots = filterRoots(compared);
    }

    Output out;
    if (switchGiven(args, "roots")) {
        for (const FilterRoot& r : roots)
            out.line(rootLine(r));
    } else if (groupDelayCount > 0) {
        const std::vector<GroupDelayRow> rows =
            fir ? firGroupDelayTable(fir->taps, groupDelayCount, fd)
                : groupDelayTable(filter, groupDelayCount, fd);
        for (const GroupDelayRow& row : rows) {
            std::string line = formatReal(row.frequency) + " " + formatReal(row.samples);
            if (fdGiven) {
                line += ' ';
                line += formatReal(row.seconds);
            }
            out.line(line);
        }
    } else if (impulseCount > 0 || stepCount > 0) {
        std::vector<double> samples;
        try {
            const int count = impulseCount > 0 ? impulseCount : stepCount;
            if (fir)
                firResponse(fir->taps, count, stepCount > 0, samples);
            else
                cascadeResponse(filter, count, stepCount > 0, samples);
        } catch (const Error&) {
            // The samples before an overflow are printed before its message.
            for (double v : samples)
                out.line(formatReal(v));
            out.flush();
            throw;
        }
        for (double v : samples)
            out.line(formatReal(v));
    } else if (!comparedPath.empty()) {
        const FilterComparison c = compareFilters(
            {&filter, fir ? &fir->taps : nullptr, &roots},
            {&compared, comparedFir ? &comparedFir->taps : nullptr, &comparedRoots}, fd);
        for (const std::string& line : comparisonLines(c))
            out.line(line);
    } else if (fir) {
        for (const std::string& line : firSummaryLines(summariseFir(fir->taps, fd), fd))
            out.line(line);
    } else {
        for (const std::string& line : summaryLines(summarise(filter, roots, fd), fd))
            out.line(line);
    }
    // The picture goes first: a failure to write it leaves nothing printed, and its
    // message names the file.
    if (!picturePath.empty()) {
        Canvas canvas(zPlaneWidth, zPlaneHeight);
        drawZPlane(canvas, roots, comparedPath.empty() ? nullptr : &comparedRoots);
        saveAnalysisPicture(canvas, picturePath);
    }
    out.flush();
    return 0;
}

} // namespace zorkan::cli
