// zorkan-cli design-fir: a FIR filter from a request, its taps (.fir) and its report.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/cp1251.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"
#include "fir/firdesign.h"
#include "fir/firfile.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace zorkan::cli {

namespace {

const char* const designFirHelp =
    "Использование: zorkan-cli design-fir --pass F[,F] --stop F[,F] --output F.fir "
    "[ПАРАМЕТРЫ]\n"
    "\n"
    "Расчет КИХ-фильтра (с конечной импульсной характеристикой): пишет его\n"
    "коэффициенты h[0] ... h[N-1] в файл .fir и выводит отчет: число коэффициентов,\n"
    "достигнутые неравномерность и затухание на сетке из 16 точек на коэффициент,\n"
    "задержку. Частоты задаются в единицах частоты дискретизации FD.\n"
    "\n"
    "  --method M      pm (равноволновый, Паркс - Макклеллан), ls (наименьших\n"
    "                  квадратов) или kaiser (окно Кайзера); по умолчанию pm\n"
    "  --band B        lowpass (ФНЧ: --pass F < --stop F), highpass (ФВЧ: --stop F <\n"
    "                  --pass F), bandpass (полосовой: --stop F1 < --pass F1 < --pass F2\n"
    "                  < --stop F2), bandstop (режекторный: --pass F1 < --stop F1 <\n"
    "                  --stop F2 < --pass F2), halfband (полуполосный: --pass F < FD/4,\n"
    "                  граница задерживания FD/2 - F, каждый второй коэффициент, кроме\n"
    "                  среднего, равен 0), hilbert (преобразователь Гильберта:\n"
    "                  усиление 1 от --pass F1 до F2, F2 может быть FD/2), differentiator\n"
    "                  (дифференциатор: усиление 2 pi f / FD до --pass F, необязательная\n"
    "                  полоса задерживания от --stop F); по умолчанию lowpass\n"
    "  --fd X          частота дискретизации, по умолчанию 1\n"
    "  --pass F[,F]    границы полос пропускания\n"
    "  --stop F[,F]    границы полос задерживания\n"
    "  --ripple DA     неравномерность в полосе пропускания, dB; по умолчанию 0.5\n"
    "  --attenuation B1  затухание в полосе задерживания, dB; по умолчанию 60\n"
    "  --taps N        число коэффициентов (до 8192); без него pm и ls находят\n"
    "                  наименьшее, выполняющее DA и B1 (от оценки Кайзера вверх или\n"
    "                  вниз, с проверкой на сетке), kaiser берет N по формуле Кайзера\n"
    "                  для A = max(B1, -20 log10 dp), dp = (10^(DA/20) - 1)/(10^(DA/20)\n"
    "                  + 1), и самой узкой переходной полосы; highpass и bandstop -\n"
    "                  только нечетное N, halfband - N = 4m - 1\n"
    "  --beta B        параметр окна Кайзера; по умолчанию по формуле Кайзера для A\n"
    "  --weights W,W   веса полос (по одному на полосу, полосы по возрастанию\n"
    "                  частоты); по умолчанию 1 в полосах пропускания и dp/ds в\n"
    "                  полосах задерживания, ds = 10^(-B1/20)\n"
    "  --minimum-phase минимально-фазовый фильтр с АЧХ равноволнового (pm) фильтра\n"
    "                  линейной фазы: меньше коэффициентов и задержка (только\n"
    "                  lowpass, highpass, bandpass, bandstop)\n"
    "  --output F.fir  файл коэффициентов\n"
    "  --report R      файл отчета (CP1251); по умолчанию не пишется\n"
    "  --json          вывести отчет одним объектом JSON\n"
    "  --help          эта справка\n"
    "\n"
    "Фильтр с линейной фазой задерживает сигнал на (N - 1)/2 отсчетов. Ошибки в\n"
    "требованиях (границы не по порядку или выше FD/2, переходная полоса нулевой\n"
    "ширины, больше 8192 коэффициентов) - сообщение в stderr, код выхода 1, файлы не\n"
    "пишутся. Числа пишутся с точкой.\n";

FirMethod methodOption(const std::string& text) {
    for (FirMethod m : {FirMethod::Equiripple, FirMethod::LeastSquares, FirMethod::Kaiser})
        if (text == firMethodName(m))
            return m;
    throw UserMessage("Неизвестный метод '" + text + "': допустимы pm, ls, kaiser");
}

FirBandType bandOption(const std::string& text) {
    for (FirBandType t :
         {FirBandType::LowPass, FirBandType::HighPass, FirBandType::BandPass, FirBandType::BandStop,
          FirBandType::HalfBand, FirBandType::Hilbert, FirBandType::Differentiator})
        if (text == firBandName(t))
            return t;
    throw UserMessage("Неизвестный вид фильтра '" + text +
                      "': допустимы lowpass, highpass, bandpass, bandstop, halfband, hilbert, "
                      "differentiator");
}

std::vector<double> edgesOption(const Arguments& args, const std::string& name) {
    if (args.options.count(name) == 0)
        return {};
    return realList(textOption(args, name, ""), "Граничная частота");
}

} // namespace

int runDesignFir(int argc, char** argv) {
    const Arguments args =
        parseArguments(argc, argv, 2,
                       {"method", "band", "fd", "pass", "stop", "ripple", "attenuation", "taps",
                        "beta", "weights", "output", "report"},
                       {"minimum-phase", "json"});
    if (args.help) {
        std::fputs(designFirHelp, stdout);
        return 0;
    }
    if (!args.positional.empty())
        throw UserMessage("Лишний аргумент: " + args.positional.front());

    FirRequest rq;
    rq.type = bandOption(textOption(args, "band", firBandName(rq.type)));
    rq.fd = realOption(args, "fd", rq.fd);
    rq.ripple = realOption(args, "ripple", rq.ripple);
    rq.attenuation = realOption(args, "attenuation", rq.attenuation);
    if (args.options.count("pass") == 0)
        throw UserMessage("Укажите границы полос пропускания: --pass F[,F]");
    rq.pass = edgesOption(args, "pass");
    rq.stop = edgesOption(args, "stop");
    if (args.options.count("weights") != 0)
        rq.weights = realList(textOption(args, "weights", ""), "Вес полосы");

    FirOptions options;
    options.method = methodOption(textOption(args, "method", firMethodName(options.method)));
    if (args.options.count("taps") != 0) {
        const std::int64_t taps = integerOption(args, "taps", 0);
        if (taps < static_cast<std::int64_t>(minFirTaps) ||
            taps > static_cast<std::int64_t>(maxFirTaps))
            throw UserMessage("Число коэффициентов --taps должно быть от " +
                              std::to_string(minFirTaps) + " до " + std::to_string(maxFirTaps));
        options.taps = static_cast<std::size_t>(taps);
    }
    if (args.options.count("beta") != 0)
        options.beta = realOption(args, "beta", 0);
    options.minimumPhase = switchGiven(args, "minimum-phase");

    const std::string output = textOption(args, "output", "");
    if (output.empty())
        throw UserMessage("Укажите файл коэффициентов: --output F.fir");
    if (!isFirFileName(output))
        throw UserMessage("Файл коэффициентов " + output + " должен иметь расширение .fir");
    const std::string report = textOption(args, "report", "");
    checkOutputFiles({{"файл коэффициентов (--output)", output}, {"отчет (--report)", report}});

    const FirDesign design = designFir(rq, options);
    const std::vector<std::string> lines = firReportLines(rq, design);

    // Both files are written in full before either takes its place.
    FileReplacement taps(output);
    {
        TextWriter out(taps.temporaryPath(), output);
        writeFirFile(out, FirFilter{design.taps});
        out.close();
    }
    std::optional<FileReplacement> reportFile;
    if (!report.empty()) {
        reportFile.emplace(report);
        TextWriter out(reportFile->temporaryPath(), report);
        for (const std::string& line : lines)
            out.writeLine(toCp1251(line));
        out.close();
    }
    taps.commit();
    if (reportFile)
        reportFile->commit();

    if (switchGiven(args, "json")) {
        std::printf("%s\n", firReportJson(rq, design).c_str());
    } else {
        for (const std::string& line : lines)
            std::printf("%s\n", line.c_str());
    }
    return 0;
}

} // namespace zorkan::cli
