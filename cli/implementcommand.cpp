// zorkan-cli implement: a filter in the arithmetic of a device, simulated bit for bit.
#include "cli/commands.h"
#include "cli/firimplement.h"
#include "cli/options.h"
#include "coefficients/filterfile.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "design/designreport.h"
#include "fir/firfile.h"
#include "fixedpoint/comparison.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/report.h"
#include "fixedpoint/simulation.h"
#include "modelling/signalfile.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace zorkan::cli {

SimulationCounts simulateSignalFile(
    const std::string& input, const std::string& output,
    const std::function<std::vector<double>(const std::vector<double>&, SimulationCounts*)>& run) {
    std::vector<double> samples;
    forEachSample(input, [&](double v) { samples.push_back(v); });
    SimulationCounts counts;
    const std::vector<double> out = run(samples, &counts);
    {
        FileReplacement replacement(output);
        TextWriter writer(replacement.temporaryPath(), output);
        for (double v : out)
            writeSample(writer, v);
        writer.close();
        replacement.commit();
    }
    if (counts.inputClipped > 0)
        std::fprintf(stderr, "Внимание: входных отсчетов вне полной шкалы (ограничены): %lld\n",
                     counts.inputClipped);
    return counts;
}

namespace {

const char* const implementHelp =
    "Использование: zorkan-cli implement ФАЙЛ.flt|ФАЙЛ.fir [ПАРАМЕТРЫ]\n"
    "\n"
    "Реализация фильтра в арифметике устройства: секции второго порядка (как при\n"
    "экспорте, H(z) = A(z)/B(z)) в заданном порядке и масштабе, коэффициенты в формате\n"
    "устройства, побитно точное моделирование, шум округления, переполнения и\n"
    "предельные циклы.\n"
    "\n"
    "  --target T        double, float, float-fma (float с fmaf), q15, q31 или fixed;\n"
    "                    по умолчанию q15 (16 бит данных, коэффициенты 32 бита);\n"
    "                    cmsis-q15, cmsis-q31, cmsis-f32 - ядра CMSIS-DSP\n"
    "                    arm_biquad_cascade_df1_q15 (накопитель 64 бита, отбрасывание,\n"
    "                    насыщение), arm_biquad_cascade_df1_q31 (отбрасывание, перенос) и\n"
    "                    arm_biquad_cascade_df2T_f32; один postShift на каскад;\n"
    "                    cmsis-lattice-q15, cmsis-lattice-q31, cmsis-lattice-f32 - весь\n"
    "                    фильтр одной решеткой в ядрах arm_iir_lattice_q15, _q31, _f32\n"
    "                    (коэффициенты отражения |k| < 1, лестничные в [-1, 1))\n"
    "  --structure S     структура секций: df1 (прямая форма I), df2 (прямая форма II),\n"
    "                    df2t (транспонированная прямая форма II), ef (прямая форма I с\n"
    "                    обратной связью по ошибке округления; только q15, q31, fixed),\n"
    "                    normal (нормальная форма), lattice (решетчато-лестничная),\n"
    "                    optimal (оптимальная форма пространства состояний); по\n"
    "                    умолчанию своя у арифметики: df1 для фиксированной точки, df2t\n"
    "                    для плавающей; у ядер CMSIS-DSP другой структуры нет\n"
    "  --data-bits W     длина слова данных для fixed, от 4 до 32 (по умолчанию 16)\n"
    "  --coef-bits C     длина слова коэффициентов для fixed, от 4 до 32 (по умолчанию 32):\n"
    "                    коэффициенты секции round(c * 2^(C-1-s)), сдвиг s секции -\n"
    "                    наименьший, при котором сумма модулей коэффициентов + 3\n"
    "                    меньше 2^(C-1)\n"
    "  --round R         nearest (floor(v + 1/2) в единицах младшего разряда) или\n"
    "                    truncate (floor(v)); по умолчанию nearest\n"
    "  --overflow O      saturate или wrap; по умолчанию saturate\n"
    "  --scale S         peak (каскад секций 1..k имеет наибольшее усиление 1),\n"
    "                    l2 или l1 (норма импульсной характеристики от входа до выхода\n"
    "                    каждой секции равна 1), none; по умолчанию peak\n"
    "  --order O         file, ascending (по возрастанию радиуса полюсов),\n"
    "                    descending; по умолчанию ascending\n"
    "  --quantised Q.flt записать реализованный каскад (вид 0, B0 = 1, квантованные\n"
    "                    коэффициенты) как файл параметров\n"
    "  --simulate IN OUT пропустить файл сигнала IN (доли полной шкалы) через\n"
    "                    побитно точную модель и записать выход в OUT; отсчеты вне\n"
    "                    полной шкалы ограничиваются и подсчитываются\n"
    "  --request R.out   требования из отчета расчета: квантованный фильтр проверяется\n"
    "                    на неравномерность и затухание, как при расчете\n"
    "  --json            вывести отчет одним объектом JSON\n"
    "  --limit-cycles M  число испытаний на предельные циклы (по умолчанию 100;\n"
    "                    0 - не искать)\n"
    "  --min-bits        найти наименьшие длины слов своего формата (4..32 бит):\n"
    "                    коэффициентов C - квантованный фильтр устойчив и выполняет\n"
    "                    требования --request (без них отклонение АЧХ в полосе\n"
    "                    пропускания не более 0.1 dB); данных W - при данной C\n"
    "                    моделированное отношение сигнал/шум не ниже --snr\n"
    "  --snr DB          отношение сигнал/шум для наименьшей длины данных (по умолчанию 60)\n"
    "  --variants        шум и переполнение для каждого масштабирования и порядка секций\n"
    "  --structures      сравнить все структуры арифметики при тех же масштабировании,\n"
    "                    порядке секций и требованиях: стоимость на отсчет (умножения,\n"
    "                    сложения, слова состояния и коэффициентов), шум расчетный и по\n"
    "                    моделированию, сигнал/шум, переполнение, предельные циклы,\n"
    "                    устойчивость (в JSON - массив structures)\n"
    "  --best            подобрать самую дешевую реализацию в арифметике fixed (округление\n"
    "                    к ближайшему, насыщение): структура x масштабирование x порядок\n"
    "                    секций x W (4..32) x C (4..32), устойчивая, выполняющая --request,\n"
    "                    с сигнал/шум по моделированию не ниже --snr (по умолчанию 60 dB),\n"
    "                    без переполнений при входе в пределах полной шкалы и без\n"
    "                    предельных циклов в --limit-cycles испытаниях; ответ проверяется\n"
    "                    прогоном и дается с параметрами implement, которые его повторяют\n"
    "  --cost K          мера стоимости для --best: bits (W + C, по умолчанию) или\n"
    "                    multiplications (меньше умножений, затем W + C)\n"
    "  --help            эта справка\n"
    "\n"
    "Файл КИХ-фильтра ФАЙЛ.fir (отводы h[0..N-1]) реализуется одним точным накопителем\n"
    "по всем отводам и одним округлением выхода: арифметики double, float, q15, q31,\n"
    "fixed и ядра CMSIS-DSP cmsis-fir-q15, cmsis-fir-q31, cmsis-fir-f32 (arm_fir_q15,\n"
    "arm_fir_q31, arm_fir_f32); --structure, --scale, --order не применяются,\n"
    "--quantised пишет квантованные отводы в файл .fir. Отчет: ошибка квантования\n"
    "отводов, неравномерность и затухание (с --request), норма L1 и наихудший вход,\n"
    "шум расчетный и по моделированию; предельных циклов у КИХ-фильтра нет.\n"
    "\n"
    "Отчет: радиус полюсов и устойчивость после квантования, отклонение АЧХ в полосе\n"
    "пропускания, нормы L1 от входа до выхода каждой секции (переполнение возможно,\n"
    "если норма больше 1) и наихудший вход, шум округления расчетный\n"
    "(сумма q^2/12 ||g_i||^2) и по моделированию на 65536 отсчетах белого шума\n"
    "относительно мощности синуса полной шкалы (0.5), предельные циклы при нулевом\n"
    "входе. При ошибке сообщение выводится в stderr, код выхода 1.\n";

void writeQuantised(const std::string& path, const Implementation& im) {
    FilterCoefficients q;
    q.kind = lowPass;
    for (const SecondOrderSection& s : im.quantised) {
        FilterSection f;
        for (int i = 0; i < 3; ++i) {
            f.a[i] = s.num[i];
            f.b[i] = s.den[i];
        }
        f.b[0] = 1;
        q.sections.push_back(f);
    }
    q.order = static_cast<std::uint32_t>(2 * q.sections.size());
    FileReplacement replacement(path);
    TextWriter out(replacement.temporaryPath(), path);
    writeFilterOrderLine(out, q.order);
    writeFilterBody(out, q.kind, q.sections);
    out.close();
    replacement.commit();
    // A band-pass cascade of more than 16 sections becomes more second-order sections
    // than the other tools read.
    if (q.sections.size() > responseReader.capacity)
        std::fprintf(stderr,
                     "Внимание: в файле %s секций второго порядка: %zu; окна и команды, "
                     "читающие не более %zu секций, его не откроют\n",
                     path.c_str(), q.sections.size(), responseReader.capacity);
}

void simulateFile(const std::string& input, const std::string& output, const Implementation& im) {
    const SimulationCounts counts =
        simulateSignalFile(input, output, [&](const std::vector<double>& x, SimulationCounts* c) {
            return simulate(im, x, c);
        });
    if (counts.overflows > 0)
        std::fprintf(stderr, "Внимание: переполнений %s: %lld\n",
                     im.programs.empty() ? "на выходах секций" : "в узлах секций",
                     counts.overflows);
}

// --best: the search over structures, scalings, orders and words of the fixed target.
int runBest(const Arguments& args, const FilterCoefficients& filter, const ReportOptions& report) {
    for (const char* name : {"target", "structure", "data-bits", "coef-bits", "round", "overflow",
                             "scale", "order", "quantised"})
        if (args.options.count(name))
            throw UserMessage(std::string("Параметр --") + name +
                              " не совместим с --best: подбор сам выбирает структуру, "
                              "масштабирование, порядок секций и длины слов арифметики fixed");
    if (switchGiven(args, "structures") || switchGiven(args, "variants") ||
        switchGiven(args, "min-bits"))
        throw UserMessage("--best не совместим с --structures, --variants и --min-bits");
    SearchRequest request;
    request.request = report.request;
    request.snr = report.snrTarget;
    request.limitCycleTrials = report.limitCycleTrials;
    const std::string cost = textOption(args, "cost", "bits");
    if (cost == "bits")
        request.cost = CostMeasure::Bits;
    else if (cost == "multiplications")
        request.cost = CostMeasure::Multiplications;
    else
        throw UserMessage("Неизвестная мера стоимости '" + cost +
                          "': допустимы bits, multiplications");
    const SearchResult result = searchBest(filter, request);
    if (switchGiven(args, "json")) {
        std::printf("%s\n", searchJson(result, request.cost).c_str());
    } else {
        for (const std::string& line : searchLines(result, request.cost))
            std::printf("%s\n", line.c_str());
    }
    if (!result.found)
        std::fprintf(stderr, "%s\n", result.why.c_str());
    return result.found ? 0 : 1;
}

} // namespace

int runImplement(int argc, char** argv) {
    // "--simulate IN OUT" takes two values; the other options one each.
    std::vector<char*> rest;
    std::vector<std::string> simulation;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulate") == 0) {
            if (i + 2 >= argc)
                throw UserMessage("После --simulate укажите входной и выходной файлы сигнала");
            simulation = {argv[i + 1], argv[i + 2]};
            i += 2;
            continue;
        }
        rest.push_back(argv[i]);
    }
    const Arguments args =
        parseArguments(static_cast<int>(rest.size()), rest.data(), 2,
                       {"target", "structure", "data-bits", "coef-bits", "round", "overflow",
                        "scale", "order", "quantised", "request", "limit-cycles", "snr", "cost"},
                       {"json", "min-bits", "variants", "structures", "best"});
    if (args.help) {
        std::fputs(implementHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 1)
        throw UserMessage("Укажите один файл параметров фильтра (.flt)");
    const std::string source = args.positional[0];
    if (isFirFileName(source))
        return runFirImplement(args, simulation);
    // The defaults are ImplementationOptions' own, shared with export and the windows.
    ImplementationOptions options;
    const ImplementationOptions defaults;
    Arithmetic& a = options.arithmetic;
    a.target = parseTarget(textOption(args, "target", targetName(defaults.arithmetic.target)));
    const bool fixed = a.target == Target::Fixed;
    for (const char* name : {"data-bits", "coef-bits", "round", "overflow"})
        if (args.options.count(name) && !fixed)
            throw UserMessage(std::string("Параметр --") + name +
                              " относится только к арифметике fixed");
    a.dataBits = static_cast<int>(integerOption(args, "data-bits", defaults.arithmetic.dataBits));
    a.coefBits = static_cast<int>(integerOption(args, "coef-bits", defaults.arithmetic.coefBits));
    if (args.options.count("round"))
        a.rounding = parseRounding(textOption(args, "round", ""));
    if (args.options.count("overflow"))
        a.overflow = parseOverflow(textOption(args, "overflow", ""));
    if (args.options.count("scale"))
        options.scaling = parseScaling(textOption(args, "scale", ""));
    if (args.options.count("order"))
        options.order = parseSectionOrder(textOption(args, "order", ""));
    if (args.options.count("structure"))
        options.structure = parseStructure(textOption(args, "structure", ""));
    checkArithmetic(a);
    checkStructure(a.target, structureOf(options));

    const std::string quantisedPath = textOption(args, "quantised", "");
    for (const std::string& out : {quantisedPath, simulation.empty() ? "" : simulation[1]})
        if (!out.empty() && sameFile(out, source))
            throw UserMessage("Выходной файл " + out +
                              " совпадает с файлом фильтра: выберите другое имя");
    if (!simulation.empty() && sameFile(simulation[0], simulation[1]))
        throw UserMessage("Выходной файл сигнала совпадает с входным: выберите другое имя");
    if (!simulation.empty() && !quantisedPath.empty() && sameFile(quantisedPath, simulation[1]))
        throw UserMessage("Файл --quantised совпадает с выходным файлом сигнала");

    ReportOptions report;
    const std::string requestPath = textOption(args, "request", "");
    if (!requestPath.empty())
        report.request = readDesignRequest(requestPath);
    const std::int64_t trials = integerOption(args, "limit-cycles", report.limitCycleTrials);
    if (trials < 0 || trials > 100000)
        throw UserMessage("Число испытаний на предельные циклы должно быть от 0 до 100000");
    report.limitCycleTrials = static_cast<int>(trials);
    report.smallestWords = switchGiven(args, "min-bits");
    const bool best = switchGiven(args, "best");
    if (args.options.count("snr") && !report.smallestWords && !best)
        throw UserMessage("Параметр --snr относится к поиску длины слов (--min-bits) и к подбору "
                          "реализации (--best)");
    if (args.options.count("cost") && !best)
        throw UserMessage("Параметр --cost относится к подбору реализации (--best)");
    report.snrTarget = realOption(args, "snr", report.snrTarget);
    report.variants = switchGiven(args, "variants");

    const FilterCoefficients filter = readAnalysedFilter(source);
    if (best)
        return runBest(args, filter, report);
    if (switchGiven(args, "structures")) {
        const std::vector<StructureFigures> rows = compareStructures(filter, options, report);
        if (switchGiven(args, "json")) {
            std::printf("{\"structures\": %s}\n", comparisonJson(rows).c_str());
        } else {
            for (const std::string& line : comparisonLines(rows))
                std::printf("%s\n", line.c_str());
        }
        return 0;
    }
    const Implementation im = realise(filter, options);
    const std::vector<int> scaled = sectionsScaledByB0(filter);
    if (!scaled.empty()) {
        std::string list;
        for (int k : scaled)
            list += (list.empty() ? "" : ", ") + std::to_string(k);
        std::fprintf(stderr,
                     "Внимание: B0 не равен 1 в секциях %s; фильтр взят как H(z) = A(z)/B(z), "
                     "каждая секция разделена на свой B0\n",
                     list.c_str());
    }
    for (const CascadeWarning& w : im.cascade.warnings)
        std::fprintf(stderr, "Предупреждение: %s\n", w.message.c_str());
    const ImplementationFigures figures = implementationFigures(filter, options, report);
    if (!quantisedPath.empty())
        writeQuantised(quantisedPath, im);
    if (!simulation.empty())
        simulateFile(simulation[0], simulation[1], im);
    if (switchGiven(args, "json")) {
        std::printf("%s\n", figuresJson(figures).c_str());
    } else {
        for (const std::string& line : figureLines(figures))
            std::printf("%s\n", line.c_str());
    }
    return 0;
}

} // namespace zorkan::cli
