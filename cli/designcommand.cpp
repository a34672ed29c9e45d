// zorkan-cli design: the design window's request, from options.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "design/classicaldesign.h"
#include "design/classicalprototypes.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace zorkan::cli {

namespace {

const char* const designHelp =
    "Использование: zorkan-cli design [ПАРАМЕТРЫ]\n"
    "\n"
    "Расчёт цифрового БИХ-фильтра: пишет отчёт и файл параметров фильтра и выводит\n"
    "ход расчёта. Частоты F1..F4, --edge, --ff1 и --ff2 задаются в единицах частоты\n"
    "дискретизации FD: в долях FD по умолчанию (--fd 1), в герцах с --fd 48000.\n"
    "\n"
    "  --approx A    аппроксимация: butterworth (1), chebyshev (2), elliptic (3),\n"
    "                chebyshev2 (4, инверсная Чебышева), bessel (5); по умолчанию\n"
    "                butterworth\n"
    "  --f1 X        верхняя граница полосы пропускания (ФНЧ: граница полосы\n"
    "                пропускания), по умолчанию 0.2\n"
    "  --f2 X        нижняя граница полосы пропускания (ФВЧ: граница полосы\n"
    "                пропускания), по умолчанию 0\n"
    "  --f3 X        нижняя граница полосы задерживания (ФВЧ: граница полосы\n"
    "                задерживания), по умолчанию 0\n"
    "  --f4 X        верхняя граница полосы задерживания (ФНЧ: граница полосы\n"
    "                задерживания), по умолчанию 0.25\n"
    "                Допустимо: ФНЧ - F3=0 F2=0 F1<F4; ФВЧ - F3<F2 F1=0 F4=0;\n"
    "                ПФ - F3<F2<F1<F4; РФ (режекторный) - F1<F3<F4<F2, где F1 -\n"
    "                верхняя граница нижней полосы пропускания, F3 и F4 - границы\n"
    "                полосы задерживания, F2 - нижняя граница верхней полосы пропускания\n"
    "  --order N     расчет по порядку: порядок ФНЧ-прототипа N, 1..64, вместо F1..F4\n"
    "  --band B      вид фильтра при расчете по порядку: lowpass, highpass, bandpass,\n"
    "                bandstop\n"
    "  --edge F[,F]  граничная частота (для bandpass и bandstop две, нижняя и верхняя):\n"
    "                Баттерворт и Бессель - уровень -3 dB, Чебышев - конец\n"
    "                неравномерности DA, инверсный Чебышев - начало затухания B1,\n"
    "                эллиптическая - граница полосы пропускания (с DA и B1)\n"
    "  --da X        неравномерность АЧХ в полосе пропускания, dB; по умолчанию 1.5\n"
    "  --b1 X        гарантированное затухание в полосе задерживания, dB;\n"
    "                по умолчанию 30\n"
    "  --fd X        частота дискретизации, по умолчанию 1\n"
    "  --ff1 X       первая частота таблиц АЧХ и ФЧХ, по умолчанию 0\n"
    "  --ff2 X       последняя частота таблиц АЧХ и ФЧХ, по умолчанию FD/2\n"
    "  --np N        количество отсчетов АЧХ и ФЧХ (интервалов), 1..65535;\n"
    "                по умолчанию 20 (в таблицах N+1 строк)\n"
    "  --report P    файл отчёта, по умолчанию 1.out\n"
    "  --filter P    файл параметров фильтра, по умолчанию 1.flt\n"
    "  --exact       расчет по требованиям любой аппроксимации с точным порядком и\n"
    "                точными эллиптическими функциями (как в окне \"Расчет фильтра: все\n"
    "                типы\"); без --exact ФНЧ, ФВЧ и ПФ Баттерворта, Чебышева и\n"
    "                эллиптические рассчитываются по прежним формулам\n"
    "  --check       после хода расчёта вывести достигнутые неравномерность в полосе\n"
    "                пропускания и затухание в полосе задерживания рядом с заданными\n"
    "  --strict      код выхода 3, если фильтр не выполняет требования (неравномерность\n"
    "                больше DA + 0.05 dB или затухание меньше B1 - 0.05 dB) или не\n"
    "                рассчитан из-за большого порядка\n"
    "  --help        эта справка\n"
    "\n"
    "Если фильтр не выполняет требования, ход расчёта кончается строками \"Внимание:\";\n"
    "после расчета по порядку выводится затухание на граничных частотах.\n"
    "Фильтр, который нельзя рассчитать в двойной точности, не рассчитывается, и файлы\n"
    "не пишутся: полюс не строго внутри единичного круга или затухание на граничной\n"
    "частоте расчета по порядку отличается от обещанного аппроксимацией (-3.01 dB, DA\n"
    "или B1) больше чем на 0.01 dB. Надежно рассчитываются DA не больше 200 dB, порядок\n"
    "1..64 и граничные частоты не ближе 1e-5*FD к 0 и к FD/2; эллиптические фильтры\n"
    "высоких порядков (больше 32) и узких полос могут не рассчитываться.\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1.\n";

int approximationOption(const std::string& text) {
    for (int code = approximationCode(Approximation::Butterworth);
         code <= approximationCode(Approximation::Bessel); ++code)
        if (text == approximationName(approximationOf(code)) || text == std::to_string(code))
            return code;
    throw UserMessage("Неизвестная аппроксимация '" + text +
                      "': допустимы butterworth, chebyshev, elliptic, chebyshev2, bessel "
                      "(1, 2, 3, 4, 5)");
}

BandKind bandCode(const std::string& text) {
    if (text == "lowpass")
        return BandKind::LowPass;
    if (text == "highpass")
        return BandKind::HighPass;
    if (text == "bandpass")
        return BandKind::BandPass;
    if (text == "bandstop")
        return BandKind::BandStop;
    throw UserMessage("Неизвестный вид фильтра '" + text +
                      "': допустимы lowpass, highpass, bandpass, bandstop");
}

// The run's progress; once the output is closed (a reader that stopped early) nothing
// more is printed, and the run goes on to finish its files.
void printLine(const std::string& line) {
    if (std::ferror(stdout))
        return;
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// A requested figure with at least two decimals, digits beyond them kept: 1.5 -> "1.50",
// 0.125 -> "0.125".
std::string requestedDecibels(double value) {
    std::string text = formatGeneral(value, '.');
    if (text.find_first_of("EIN") != std::string::npos)
        return text;
    const std::size_t point = text.find('.');
    const std::size_t decimals = point == std::string::npos ? 0 : text.size() - point - 1;
    if (point == std::string::npos)
        text += '.';
    text.append(decimals < 2 ? 2 - decimals : 0, '0');
    return text;
}

// The lines of --check: the achieved figure first, the requested one second.
void printCheck(const DesignMeasurement& m, const DesignRequest& rq) {
    auto print = [](const std::string& figure, bool measured, double achieved,
                    const char* requested, double asked, bool missed, const char* unmeasured) {
        if (measured)
            printLine(figure + " " + formatDecibels(achieved, '.') + " dB при " + requested + " " +
                      requestedDecibels(asked) + " dB" +
                      (missed ? " - требование не выполнено" : " - требование выполнено"));
        else
            printLine(figure + " " + unmeasured);
    };
    print("неравномерность в полосе пропускания", m.rippleMeasured, m.ripple, "заданной", rq.da,
          rippleMissed(m, rq), "не измерена");
    print("затухание в полосе задерживания", m.attenuationMeasured, m.attenuation, "заданном",
          rq.b1, attenuationMissed(m, rq), "не измерено");
}

} // namespace

int runDesign(int argc, char** argv) {
    const Arguments args =
        parseArguments(argc, argv, 2,
                       {"approx", "f1", "f2", "f3", "f4", "da", "b1", "fd", "ff1", "ff2", "np",
                        "report", "filter", "order", "band", "edge"},
                       {"check", "strict", "exact"});
    if (args.help) {
        std::fputs(designHelp, stdout);
        return 0;
    }
    if (!args.positional.empty())
        throw UserMessage("Лишний аргумент: " + args.positional.front());

    DesignRequest rq;
    rq.approximation = approximationOption(textOption(args, "approx", "butterworth"));
    for (const auto& [name, field] : {std::pair{"f1", &DesignRequest::f1},
                                      {"f2", &DesignRequest::f2},
                                      {"f3", &DesignRequest::f3},
                                      {"f4", &DesignRequest::f4},
                                      {"da", &DesignRequest::da},
                                      {"b1", &DesignRequest::b1},
                                      {"fd", &DesignRequest::fd},
                                      {"ff1", &DesignRequest::ff1},
                                      {"ff2", &DesignRequest::ff2}})
        rq.*field = realOption(args, name, rq.*field);
    // The tables run to half the sampling frequency in its unit unless --ff2 says otherwise.
    if (args.options.count("ff2") == 0)
        rq.ff2 = rq.fd / 2;
    const bool byOrder = args.options.count("order") != 0;
    const bool orderOptions = args.options.count("band") != 0 || args.options.count("edge") != 0;
    if (!byOrder && orderOptions)
        throw UserMessage("--band и --edge задаются только вместе с --order");
    if (!byOrder && !toleranceLayout(rq.f1, rq.f2, rq.f3, rq.f4))
        throw UserMessage(badBandLayoutMessage);
    const std::int64_t np = integerOption(args, "np", rq.np);
    if (np < 1 || np > 65535)
        throw UserMessage("Количество отсчетов АЧХ и ФЧХ должно быть от 1 до 65535");
    rq.np = static_cast<std::uint16_t>(np);
    const std::string report = textOption(args, "report", "1.out");
    const std::string filter = textOption(args, "filter", "1.flt");
    checkOutputFiles(
        {{"отчет (--report)", report}, {"файл параметров фильтра (--filter)", filter}});

    ClassicalDesignRequest full;
    if (byOrder) {
        for (const char* edge : {"f1", "f2", "f3", "f4"})
            if (args.options.count(edge) != 0)
                throw UserMessage(std::string("--") + edge +
                                  " не задается при расчете по порядку (--order): границы "
                                  "задает --edge");
        if (args.options.count("band") == 0)
            throw UserMessage(
                "При расчете по порядку нужен --band lowpass|highpass|bandpass|bandstop");
        if (args.options.count("edge") == 0)
            throw UserMessage("При расчете по порядку нужна граничная частота --edge");
        full.byOrder = true;
        const std::int64_t order = integerOption(args, "order", 0);
        if (order < 1 || order > maxPrototypeOrder)
            throw UserMessage("Порядок ФНЧ-прототипа --order должен быть от 1 до " +
                              std::to_string(maxPrototypeOrder));
        full.order = static_cast<int>(order);
        full.band = bandCode(textOption(args, "band", ""));
        const std::vector<double> edges =
            realList(textOption(args, "edge", ""), "Граничная частота");
        const bool two = full.band == BandKind::BandPass || full.band == BandKind::BandStop;
        if (edges.size() != (two ? 2u : 1u))
            throw UserMessage(two ? "Для bandpass и bandstop --edge задает две частоты: F1,F2"
                                  : "Для lowpass и highpass --edge задает одну частоту");
        full.edge1 = edges[0];
        full.edge2 = two ? edges[1] : 0;
    }
    full.request = rq;
    full.exact = switchGiven(args, "exact");
    // The design run's own requests take its path unchanged.
    const bool described = designRunTakes(full);
    if (!described)
        checkClassicalRequest(full);

    DesignedCascade designed;
    DesignMeasurement measured;
    bool completed = false;
    if (described) {
        if (designFilter(rq, report, filter, printLine, &designed) == DesignOutcome::Completed) {
            completed = true;
            measured = measureDesign(designed, rq);
            for (const std::string& line : designWarnings(measured, rq, '.'))
                printLine(line);
        }
    } else if (designClassicalFilter(full, report, filter, printLine, &designed) ==
               DesignOutcome::Completed) {
        completed = true;
        for (const std::string& line : designFollowUp(designed, full, '.'))
            printLine(line);
        if (!byOrder)
            measured = measureBands(designed, classicalBands(full), rq.fd);
    }
    if (switchGiven(args, "check") && !byOrder)
        printCheck(measured, rq);
    // A filter that was not designed, or whose figures could not be measured, is not
    // taken as meeting the request; an order design has no request to miss.
    const bool met = byOrder ? completed
                             : measured.rippleMeasured && measured.attenuationMeasured &&
                                   !rippleMissed(measured, rq) && !attenuationMissed(measured, rq);
    if (switchGiven(args, "strict") && !met)
        return 3;
    return 0;
}

} // namespace zorkan::cli
