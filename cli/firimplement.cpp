// zorkan-cli implement F.fir: the taps in the arithmetic of a device, simulated bit for bit.
#include "cli/firimplement.h"

#include "common/errors.h"
#include "common/replacefile.h"
#include "design/designreport.h"
#include "fir/firfile.h"
#include "fixedpoint/firimplementation.h"
#include "fixedpoint/firreport.h"
#include "modelling/signalfile.h"

#include <cstdio>

namespace zorkan::cli {

namespace {

void simulateFile(const std::string& input, const std::string& output,
                  const FirImplementation& im) {
    const SimulationCounts counts =
        simulateSignalFile(input, output, [&](const std::vector<double>& x, SimulationCounts* c) {
            return simulateFir(im, x, c);
        });
    if (counts.overflows > 0)
        std::fprintf(stderr, "Внимание: переполнений на выходе: %lld\n", counts.overflows);
}

} // namespace

int runFirImplement(const Arguments& args, const std::vector<std::string>& simulation) {
    for (const char* name : {"structure", "scale", "order", "cost"})
        if (args.options.count(name))
            throw UserMessage(std::string("Параметр --") + name +
                              " не относится к КИХ-фильтру (.fir): отводы реализуются как есть, "
                              "одним накопителем");
    for (const char* name : {"variants", "structures", "best"})
        if (switchGiven(args, name))
            throw UserMessage(std::string("--") + name +
                              " относится к каскаду секций файла параметров (.flt), а не к "
                              "КИХ-фильтру (.fir)");
    const std::string source = args.positional[0];
    const ImplementationOptions defaults;
    Arithmetic a;
    a.target = parseTarget(textOption(args, "target", targetName(defaults.arithmetic.target)));
    checkFirTarget(a.target);
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
    checkArithmetic(a);

    const std::string quantisedPath = textOption(args, "quantised", "");
    if (!quantisedPath.empty() && !isFirFileName(quantisedPath))
        throw UserMessage("Квантованные отводы записываются в файл .fir: " + quantisedPath);
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
    report.smallestWords = switchGiven(args, "min-bits");
    if (args.options.count("snr") && !report.smallestWords)
        throw UserMessage("Параметр --snr относится к поиску длины слов (--min-bits)");
    report.snrTarget = realOption(args, "snr", report.snrTarget);

    const FirFilter filter = readFirFile(source);
    const FirImplementation im = realiseFir(filter, a);
    const FirFigures figures = firFigures(filter, a, report);
    if (!quantisedPath.empty()) {
        FileReplacement replacement(quantisedPath);
        TextWriter out(replacement.temporaryPath(), quantisedPath);
        writeFirFile(out, FirFilter{im.quantised});
        out.close();
        replacement.commit();
    }
    if (!simulation.empty())
        simulateFile(simulation[0], simulation[1], im);
    if (switchGiven(args, "json")) {
        std::printf("%s\n", firFiguresJson(figures).c_str());
    } else {
        for (const std::string& line : firFigureLines(figures))
            std::printf("%s\n", line.c_str());
    }
    return 0;
}

} // namespace zorkan::cli
