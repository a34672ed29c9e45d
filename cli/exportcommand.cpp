// zorkan-cli export: a filter parameter file as second-order sections for other tools.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "export/firexport.h"
#include "export/formats.h"
#include "fir/firfile.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace zorkan::cli {

namespace {

const char* const exportHelp =
    "Использование: zorkan-cli export ФАЙЛ.flt|ФАЙЛ.fir --format ФОРМАТ [ПАРАМЕТРЫ]\n"
    "\n"
    "Выводит фильтр из файла параметров (правила расчета частотных характеристик)\n"
    "как каскад секций второго порядка: секции четвертого порядка полосового фильтра\n"
    "раскладываются по корням на две секции второго порядка каждая. Файл начинается\n"
    "с комментария: программа и версия, исходный файл, вид, порядок (как у analyse),\n"
    "число секций; где B0 не равен 1, секции делятся на B0 (H(z) = A(z)/B(z)).\n"
    "\n"
    "  --format F     sos-csv  строки b0,b1,b2,a0,a1,a2 (17 значащих цифр), как sos\n"
    "                          в scipy.signal.sosfilt и MATLAB;\n"
    "                 octave   файл .m с матрицей sos и g = 1 (Octave, MATLAB);\n"
    "                 python   модуль .py с массивом NumPy sos;\n"
    "                 c        код C99: тип PREFIX_state, функции PREFIX_reset,\n"
    "                          PREFIX_step и PREFIX_block\n"
    "                 cmsis    код C99 для ядер CMSIS-DSP (NAME.h и NAME.c): массив\n"
    "                          PREFIX_coeffs в раскладке ядра (a1, a2 с обратным\n"
    "                          знаком), PREFIX_state, PREFIX_instance, функции\n"
    "                          PREFIX_init и PREFIX_process; арифметика - как у\n"
    "                          implement --target cmsis-q15, cmsis-q31, cmsis-f32\n"
    "                 verilog  модуль Verilog-2001 для ПЛИС (см. ниже)\n"
    "  --type T       числа кода C: double, float (транспонированная вторая прямая\n"
    "                 форма), float-fma (то же с fmaf), q15 (int16_t), q31 (int32_t)\n"
    "                 (первая прямая форма,\n"
    "                 коэффициенты int32_t со сдвигом секции, накопитель int64_t,\n"
    "                 округление и насыщение выхода; секции по возрастанию радиуса\n"
    "                 полюсов); по умолчанию double; для cmsis: q15\n"
    "                 (arm_biquad_cascade_df1_q15), q31 (arm_biquad_cascade_df1_q31)\n"
    "                 или f32 (arm_biquad_cascade_df2T_f32), по умолчанию q15;\n"
    "                 lattice-q15, lattice-q31, lattice-f32 - весь фильтр одной\n"
    "                 решеткой (arm_iir_lattice_q15, _q31, _f32; массивы PREFIX_k и\n"
    "                 PREFIX_v), как implement --target cmsis-lattice-...\n"
    "  --structure S  структура секций для c, cmsis и verilog, как у implement; по\n"
    "                 умолчанию своя у арифметики: df1 для q15, q31 и verilog, df2t\n"
    "                 для double, float и float-fma; у cmsis другой нет:\n"
    "                 df1      прямая форма I: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2\n"
    "                 df2      прямая форма II: узел w = x - a1 w1 - a2 w2, выход из w\n"
    "                 df2t     транспонированная прямая форма II: два слова состояния\n"
    "                 ef       прямая форма I с обратной связью по ошибке округления\n"
    "                          (только q15, q31 и verilog)\n"
    "                 normal   нормальная форма: поворот состояния на угол полюса\n"
    "                 lattice  решетчато-лестничная форма Грея - Маркела\n"
    "                 optimal  оптимальная (сбалансированная) форма пространства\n"
    "                          состояний: наименьший шум округления при L2\n"
    "                 Комментарий в начале файла называет структуру, ее арифметику\n"
    "                 и цену (умножения, сложения, слова состояния и коэффициентов)\n"
    "  --name PREFIX  имя типа и функций кода C, по умолчанию zorkan_filter\n"
    "  --test-vectors N  для c и cmsis (для verilog - ниже): еще файл NAME_test.c\n"
    "                 рядом с кодом - N (по умолчанию не пишется)\n"
    "                 отсчетов входа (качание частоты, шум и тишина) и ожидаемый\n"
    "                 выход моделирования; его main печатает OK и возвращает 0, если\n"
    "                 все отсчеты совпали, иначе первое расхождение и 1\n"
    "  --normalise    нормировать усиление: наибольшее усиление по частоте равно 1,\n"
    "                 секция k масштабируется так, что каскад секций 1..k имеет\n"
    "                 наибольшее усиление 1 (то же, что --scale peak)\n"
    "  --scale S      масштабирование, как у implement: peak, l2, l1, none;\n"
    "                 по умолчанию для c, cmsis и verilog - как у implement (peak),\n"
    "                 для sos-csv, octave и python - none (коэффициенты как в файле),\n"
    "                 с --normalise - peak\n"
    "  --order O      порядок секций, как у implement: file, ascending, descending;\n"
    "                 по умолчанию для c, cmsis и verilog - как у implement\n"
    "                 (ascending), для sos-csv, octave и python - file\n"
    "  --force        записать и реализацию, которую моделирование отвергает\n"
    "                 (квантованный фильтр молчит, выход все время на границе полной\n"
    "                 шкалы или отношение сигнал/шум меньше 0 dB), и тестовые векторы\n"
    "                 с постоянным ожидаемым выходом; без него такой экспорт\n"
    "                 отменяется с сообщением\n"
    "  --output FILE  записать в файл (целиком или никак); для c: FILE.h дает один\n"
    "                 заголовочный файл, иное имя NAME - файлы NAME.h и NAME.c\n"
    "                 (оба или ни одного); выходной файл не может совпадать с файлом\n"
    "                 фильтра; без --output текст выводится в stdout (для c - один\n"
    "                 заголовок; для cmsis - файлы PREFIX.h и PREFIX.c)\n"
    "  --help         эта справка\n"
    "\n"
    "Формат verilog: модуль с портами clk, rst (синхронный, активный уровень 1,\n"
    "обнуляет состояние), in_valid, in_sample, out_valid, out_sample (signed [W-1:0]);\n"
    "отсчет принимается в каждом такте с in_valid (каждый такт или с пропусками),\n"
    "результат выходит с out_valid через задержку в тактах, равную числу секций\n"
    "(указана в комментарии). Арифметика та же, что у implement --target fixed\n"
    "с теми же параметрами, выходы совпадают побитно.\n"
    "  --data-bits W     длина слова данных, от 4 до 32 (по умолчанию 16)\n"
    "  --coef-bits C     длина слова коэффициентов, от 4 до 32 (по умолчанию 32)\n"
    "  --round R         nearest или truncate (по умолчанию nearest)\n"
    "  --overflow O      saturate или wrap (по умолчанию saturate)\n"
    "  --scale S, --order O  как у implement: по умолчанию peak и ascending\n"
    "  --name PREFIX     имя модуля, по умолчанию zorkan_filter\n"
    "  --output NAME.v   записать модуль в NAME.v (к имени без .v добавляется .v)\n"
    "  --test-vectors N  записать рядом NAME_tb.v: испытательный модуль с N отсчетами\n"
    "                    входа (развертка по частоте полной шкалы, шум, тишина) и\n"
    "                    ожидаемыми выходами моделирования; печатает OK, если все\n"
    "                    выходы совпали, иначе первое расхождение\n"
    "\n"
    "Файл КИХ-фильтра ФАЙЛ.fir (отводы h[0..N-1]): csv - отводы по одному в строке;\n"
    "octave и python - вектор b и a = 1; c - типы double, float, q15, q31 (один\n"
    "точный накопитель, одно округление выхода); cmsis - q15, q31, f32 для\n"
    "arm_fir_init_* и arm_fir_* (состояние numTaps + blockSize - 1); verilog -\n"
    "транспонированная форма, у симметричных отводов одно умножение на пару;\n"
    "арифметика - как у implement ФАЙЛ.fir. sos-csv, --scale, --order, --normalise\n"
    "и --structure к КИХ-фильтру не относятся.\n"
    "\n"
    "Неустойчивый или нулевой фильтр выводится с предупреждением в комментарии\n"
    "и в stderr. При ошибке сообщение выводится в stderr, код выхода 1.\n";

// --test-vectors N, when given, for the formats that take it.
void readTestVectors(const Arguments& args, ExportOptions& options, bool taken) {
    if (!args.options.count("test-vectors"))
        return;
    const std::int64_t n = integerOption(args, "test-vectors", 0);
    if (!taken)
        throw UserMessage("Параметр --test-vectors относится только к форматам c, cmsis и verilog");
    if (n < 1 || n > maximumTestVectors)
        throw UserMessage("Число отсчетов тестовых векторов должно быть от 1 до " +
                          std::to_string(maximumTestVectors));
    options.testVectors = static_cast<int>(n);
}

// --format verilog: the words and rules of the fixed-point implementation, scaling peak
// and order ascending unless given.
void readVerilogOptions(const Arguments& args, ExportOptions& options) {
    if (args.options.count("type"))
        throw UserMessage("Параметр --type не относится к формату verilog: слова данных и "
                          "коэффициентов задают --data-bits и --coef-bits");
    // The defaults are ImplementationOptions' own, as for implement.
    const Arithmetic defaults = ImplementationOptions{}.arithmetic;
    Arithmetic& a = options.words;
    a.dataBits = static_cast<int>(integerOption(args, "data-bits", defaults.dataBits));
    a.coefBits = static_cast<int>(integerOption(args, "coef-bits", defaults.coefBits));
    a.rounding = args.options.count("round") ? parseRounding(textOption(args, "round", ""))
                                             : defaults.rounding;
    a.overflow = args.options.count("overflow") ? parseOverflow(textOption(args, "overflow", ""))
                                                : defaults.overflow;
    checkArithmetic(a);
    options.normalise = switchGiven(args, "normalise");
    if (args.options.count("scale"))
        options.scaling = parseScaling(textOption(args, "scale", ""));
    checkNormalising(options);
    if (args.options.count("order"))
        options.order = parseSectionOrder(textOption(args, "order", ""));
    options.prefix = textOption(args, "name", options.prefix);
    readTestVectors(args, options, true);
}

// The other formats: the number type and name of C and CMSIS-DSP, normalisation, scaling
// and order.
void readCodeOptions(const Arguments& args, ExportOptions& options, const std::string& format) {
    const bool code = options.format == ExportFormat::C || options.format == ExportFormat::Cmsis;
    if (args.options.count("type") && !code)
        throw UserMessage("Параметр --type относится только к форматам c и cmsis");
    if (args.options.count("name") && !code)
        throw UserMessage("Параметр --name относится только к форматам c и cmsis");
    for (const char* name : {"data-bits", "coef-bits", "round", "overflow"})
        if (args.options.count(name))
            throw UserMessage(std::string("Параметр --") + name + " не относится к формату " +
                              format +
                              (options.format == ExportFormat::Cmsis
                                   ? ": слова данных и коэффициентов задает тип (q15, q31, f32, "
                                     "lattice-q15, lattice-q31, lattice-f32)"
                                   : ""));
    options.type = parseSampleType(
        textOption(args, "type", options.format == ExportFormat::Cmsis ? "q15" : "double"));
    readTestVectors(args, options, code);
    options.prefix = textOption(args, "name", options.prefix);
    options.normalise = switchGiven(args, "normalise");
    if (args.options.count("scale"))
        options.scaling = parseScaling(textOption(args, "scale", ""));
    if (args.options.count("order"))
        options.order = parseSectionOrder(textOption(args, "order", ""));
}

} // namespace

int runExport(int argc, char** argv) {
    const Arguments args =
        parseArguments(argc, argv, 2,
                       {"format", "type", "name", "output", "scale", "order", "test-vectors",
                        "data-bits", "coef-bits", "round", "overflow", "structure"},
                       {"normalise", "force"});
    if (args.help) {
        std::fputs(exportHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 1)
        throw UserMessage("Укажите один файл параметров фильтра (.flt)");
    const std::string formatText = textOption(args, "format", "");
    if (formatText.empty())
        throw UserMessage("Укажите формат: --format sos-csv, octave, python, c, cmsis или verilog");
    ExportOptions options;
    options.format = parseExportFormat(formatText);
    const bool verilog = options.format == ExportFormat::Verilog;
    if (verilog)
        readVerilogOptions(args, options);
    else
        readCodeOptions(args, options, formatText);
    options.force = switchGiven(args, "force");
    if (args.options.count("structure"))
        options.structure = parseStructure(textOption(args, "structure", ""));
    const std::string source = args.positional[0];
    options.sourceName = std::filesystem::path(source).filename().string();

    std::string output = textOption(args, "output", "");
    if (output.empty() && options.format == ExportFormat::Cmsis)
        output = options.prefix;
    if (output.empty() && options.testVectors > 0)
        throw UserMessage(verilog ? "Для тестовых векторов укажите выходной файл (--output "
                                    "ИМЯ.v): испытательный модуль записывается рядом, в ИМЯ_tb.v"
                                  : "Тестовые векторы записываются в файл рядом с кодом: "
                                    "укажите --output");
    if (isFirFileName(source)) {
        // The taps of a FIR filter: no sections, no warnings of a cascade.
        if (output.empty()) {
            const std::string text = firExportText(readFirFile(source), options);
            std::fwrite(text.data(), 1, text.size(), stdout);
        } else {
            exportFirFile(source, output, options);
        }
        return 0;
    }
    ExportedFilter filter;
    if (output.empty()) {
        filter = exportedFilter(source, options);
        const std::string text = exportText(filter, options);
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        filter = exportFilter(source, output, options).filter;
    }
    for (const CascadeWarning& w : filter.cascade.warnings)
        std::fprintf(stderr, "Предупреждение: %s\n", w.message.c_str());
    return 0;
}

} // namespace zorkan::cli
