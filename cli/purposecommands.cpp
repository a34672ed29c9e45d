// zorkan-cli equalise, eq, notch, comb, fractional-delay, from-analog: filters for a
// purpose, each written as an ordinary parameter file.
#include "cli/commands.h"
#include "cli/options.h"
#include "coefficients/filterfile.h"
#include "common/displaynumbers.h"
#include "common/errors.h"
#include "design/designcheck.h"
#include "fixedpoint/report.h"
#include "purpose/allpassequaliser.h"
#include "purpose/analogtransform.h"
#include "purpose/audiosections.h"
#include "purpose/fractionaldelay.h"
#include "purpose/notchcomb.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zorkan::cli {

namespace {

const char* const equaliseHelp =
    "Использование: zorkan-cli equalise ФАЙЛ.flt --order N --band F1,F2 --output E.flt\n"
    "               [ПАРАМЕТРЫ]\n"
    "\n"
    "Корректор группового времени задержки: каскад всепропускающих секций второго\n"
    "порядка (числитель каждой - ее знаменатель в обратном порядке), с которым\n"
    "групповое время задержки фильтра ФАЙЛ.flt в полосе F1..F2 как можно более\n"
    "постоянно: наибольшее отклонение суммарной задержки от ее среднего на сетке\n"
    "из 1024 частот полосы минимально (минимакс). Поиск: минимизация средней p-й\n"
    "степени отклонения (p = 2 .. 1024) квазиньютоновским методом (BFGS); порядок\n"
    "растет на секцию за шагом: новая секция начинается с 10 начальных точек (5\n"
    "углов в полосе, 2 радиуса) рядом с каждым из трех лучших решений меньшего\n"
    "порядка.\n"
    "\n"
    "  --order N        порядок корректора: четное число от 2 до 24 (обязателен)\n"
    "  --band F1,F2     полоса выравнивания, 0 <= F1 < F2 < FD/2 (обязательна)\n"
    "  --fd X           частота дискретизации, по умолчанию 1\n"
    "  --max-radius R   наибольший радиус полюсов корректора, 0 < R < 1;\n"
    "                   по умолчанию 0.99\n"
    "  --output E.flt   файл параметров корректора (обязателен)\n"
    "  --combined C.flt файл фильтра, за которым следует корректор (для полосового\n"
    "                   фильтра секции корректора записываются секциями 4-го порядка)\n"
    "  --json           отчет в формате JSON: variation_before, variation_after,\n"
    "                   mean_delay, max_radius\n"
    "  --help           эта справка\n"
    "\n"
    "Отчет: размах группового времени задержки в полосе (наибольшее минус\n"
    "наименьшее, в отсчетах) до и после коррекции, среднее время задержки\n"
    "корректора, наибольший радиус полюсов. Если полоса выходит за полосу\n"
    "пропускания фильтра (АЧХ ниже максимума больше чем на 3 dB), выводится\n"
    "предупреждение. При ошибке сообщение выводится в stderr, файлы не пишутся,\n"
    "код выхода 1.\n";

const char* const eqHelp =
    "Использование: zorkan-cli eq --band ТИП:F:УСИЛЕНИЕ:Q [--band ...] --output EQ.flt\n"
    "               [ПАРАМЕТРЫ]\n"
    "\n"
    "Звуковой эквалайзер: каждая полоса - секция второго порядка по формулам\n"
    "\"audio cookbook\" (билинейное преобразование с предыскажением на частоте F,\n"
    "B0 = 1); файл - каскад секций в порядке полос.\n"
    "\n"
    "  --band ТИП:F:УСИЛЕНИЕ:Q  полоса (можно задать до 32 раз); ТИП: peak,\n"
    "                   lowshelf, highshelf (Q - наклон полки S), notch, bandpass\n"
    "                   (усиление 0 dB на частоте F), allpass, lowpass, highpass;\n"
    "                   УСИЛЕНИЕ в dB, для типов без усиления не учитывается\n"
    "  --fd X           частота дискретизации, по умолчанию 1\n"
    "  --output EQ.flt  файл параметров (обязателен)\n"
    "  --json           отчет в формате JSON\n"
    "  --help           эта справка\n"
    "\n"
    "Отчет: каждая полоса и усиление всего каскада на ее частоте, dB.\n"
    "При ошибке сообщение выводится в stderr, файл не пишется, код выхода 1.\n";

const char* const notchHelp =
    "Использование: zorkan-cli notch --f0 F --q Q --output N.flt [ПАРАМЕТРЫ]\n"
    "\n"
    "Режекторный фильтр второго порядка (с --peak - резонатор) на частоте F0 с\n"
    "полосой F0/Q по уровню -3 dB.\n"
    "\n"
    "  --f0 F           частота, 0 < F0 < FD/2 (обязательна)\n"
    "  --q Q            добротность, больше нуля (обязательна)\n"
    "  --fd X           частота дискретизации, по умолчанию 1\n"
    "  --peak           резонатор вместо режекторного фильтра\n"
    "  --output N.flt   файл параметров (обязателен)\n"
    "  --help           эта справка\n"
    "\n"
    "При ошибке сообщение выводится в stderr, файл не пишется, код выхода 1.\n";

const char* const combHelp =
    "Использование: zorkan-cli comb --f0 F --q Q --output C.flt [ПАРАМЕТРЫ]\n"
    "\n"
    "Гребенчатый фильтр с провалами (с --peak - пиками) на частотах, кратных F0,\n"
    "шириной F0/Q по уровню -3 dB: N = FD/F0 должно быть четным целым не больше 64;\n"
    "записывается N/2 секциями второго порядка по его корням.\n"
    "\n"
    "  --f0 F           основная частота (обязательна)\n"
    "  --q Q            добротность, больше 1 (обязательна)\n"
    "  --fd X           частота дискретизации, по умолчанию 1\n"
    "  --peak           пики вместо провалов\n"
    "  --pass-zero      провалы (пики) посередине между кратными F0: нулевая частота\n"
    "                   проходит (у пикового фильтра - пик на нулевой частоте); по\n"
    "                   умолчанию провал на нулевой частоте (у пикового - нуль)\n"
    "  --output C.flt   файл параметров (обязателен)\n"
    "  --help           эта справка\n"
    "\n"
    "При ошибке сообщение выводится в stderr, файл не пишется, код выхода 1.\n";

const char* const fractionalDelayHelp =
    "Использование: zorkan-cli fractional-delay --delay D --output T.flt [ПАРАМЕТРЫ]\n"
    "\n"
    "Всепропускающий фильтр дробной задержки Тирана с максимально плоским\n"
    "групповым временем задержки, равным D на нулевой частоте. Коэффициенты\n"
    "знаменателя: a_k = (-1)^k C(N,k) П_{n=0..N} (D-N+n)/(D-N+k+n).\n"
    "\n"
    "  --delay D        задержка в отсчетах, больше N - 1 (обязательна);\n"
    "                   D = N - задержка на N отсчетов\n"
    "  --order N        порядок, от 1 до 64; по умолчанию ближайшее к D целое\n"
    "  --output T.flt   файл параметров (обязателен)\n"
    "  --help           эта справка\n"
    "\n"
    "При D <= N - 1 фильтр неустойчив и не рассчитывается. При ошибке сообщение\n"
    "выводится в stderr, файл не пишется, код выхода 1.\n";

const char* const fromAnalogHelp =
    "Использование: zorkan-cli from-analog --num b0,b1,... --den a0,a1,... --output D.flt\n"
    "               [ПАРАМЕТРЫ]\n"
    "\n"
    "Цифровой фильтр из аналогового H(s) = (b0 s^m + ... + bm)/(a0 s^n + ... + an):\n"
    "нули и полюсы, пересчитанные в z-плоскость, записываются секциями.\n"
    "\n"
    "  --num b0,b1,...  коэффициенты числителя по убыванию степеней s (обязательны)\n"
    "  --den a0,a1,...  коэффициенты знаменателя по убыванию степеней s, степень не\n"
    "                   меньше степени числителя, не больше 64 (обязательны)\n"
    "  --fd X           частота дискретизации, по умолчанию 1\n"
    "  --method M       bilinear - билинейное преобразование s = 2FD(1-z^-1)/(1+z^-1);\n"
    "                   prewarp - то же с предыскажением: частота --prewarp F\n"
    "                   аналогового фильтра переходит в F цифрового; matched -\n"
    "                   согласованное z-преобразование: z = exp(s/FD), нули в\n"
    "                   бесконечности в z = -1, усиление равно аналоговому на нулевой\n"
    "                   частоте (на FD/4, если там нуль или полюс); impulse -\n"
    "                   инвариантность импульсной характеристики: h[k] = h(k/FD)/FD\n"
    "                   (степень числителя меньше степени знаменателя, полюсы простые);\n"
    "                   по умолчанию bilinear\n"
    "  --prewarp F      частота предыскажения, 0 < F < FD/2 (для prewarp обязательна,\n"
    "                   с bilinear включает предыскажение); по умолчанию нет\n"
    "  --allow-unstable рассчитать и фильтр с полюсами H(s) в правой полуплоскости\n"
    "                   или на мнимой оси (по умолчанию он не рассчитывается)\n"
    "  --output D.flt   файл параметров (обязателен)\n"
    "  --help           эта справка\n"
    "\n"
    "При ошибке сообщение выводится в stderr, файл не пишется, код выхода 1.\n";

std::string requiredOutput(const Arguments& args) {
    const std::string output = textOption(args, "output", "");
    if (output.empty())
        throw UserMessage("Укажите файл параметров фильтра: --output ИМЯ.flt");
    return output;
}

void noPositional(const Arguments& args) {
    if (!args.positional.empty())
        throw UserMessage("Лишний аргумент: " + args.positional.front());
}

double requiredReal(const Arguments& args, const std::string& name, const std::string& what) {
    if (args.options.count(name) == 0)
        throw UserMessage("Не задан" + what + " --" + name);
    return realOption(args, name, 0);
}

std::vector<double> realList(const std::string& text) {
    std::vector<double> values;
    for (const std::string& piece : splitValue(text, ','))
        values.push_back(realValue(piece));
    return values;
}

std::string number(double v) {
    return formatGeneral(v, '.');
}

void print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
}

} // namespace

int runEqualise(int argc, char** argv) {
    const Arguments args = parseArguments(
        argc, argv, 2, {"order", "band", "fd", "max-radius", "output", "combined"}, {"json"});
    if (args.help) {
        std::fputs(equaliseHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 1)
        throw UserMessage("Укажите один файл параметров фильтра (.flt)");
    const std::string source = args.positional[0];
    if (args.options.count("order") == 0)
        throw UserMessage("Не задан порядок корректора --order");
    if (args.options.count("band") == 0)
        throw UserMessage("Не задана полоса выравнивания --band F1,F2");
    const std::string output = requiredOutput(args);
    const std::string combined = textOption(args, "combined", "");
    checkOutputFiles({{"файл корректора (--output)", output},
                      {"файл фильтра с корректором (--combined)", combined}},
                     {{"входной файл фильтра", source}});
    EqualiserRequest request;
    const std::int64_t order = integerOption(args, "order", 0);
    request.order = order < 0 || order > maxEqualiserOrder ? -1 : static_cast<int>(order);
    const std::vector<double> band = realList(textOption(args, "band", ""));
    if (band.size() != 2)
        throw UserMessage("Полоса выравнивания --band задается двумя частотами: F1,F2");
    request.f1 = band[0];
    request.f2 = band[1];
    request.fd = realOption(args, "fd", defaultSamplingFrequency);
    request.maxRadius = realOption(args, "max-radius", defaultEqualiserRadius);
    request.filter = readAnalysedFilter(source);
    checkEqualiserRequest(request);
    if (!combined.empty() &&
        request.filter.sections.size() + static_cast<std::size_t>(request.order / 2) >
            responseReader.capacity)
        throw UserMessage("В файле фильтра с корректором было бы " +
                          std::to_string(request.filter.sections.size() + request.order / 2) +
                          " секций, а окна и команды читают не более " +
                          std::to_string(responseReader.capacity));
    const EqualiserResult result = designEqualiser(request);
    std::vector<std::pair<std::string, DesignedSections>> files{{output, result.equaliser}};
    if (!combined.empty())
        files.emplace_back(combined, equalisedFilter(request.filter, result.equaliser));
    writeDesignedFiles(files);
    if (result.outsidePassBand)
        std::fprintf(stderr,
                     "Внимание: полоса выравнивания выходит за полосу пропускания фильтра: "
                     "АЧХ в ней ниже максимума на %s dB\n",
                     formatDecibels(result.bandAttenuationDb, '.').c_str());
    if (switchGiven(args, "json")) {
        print("{\"variation_before\": " + jsonNumber(result.variationBefore) +
              ", \"variation_after\": " + jsonNumber(result.variationAfter) +
              ", \"mean_delay\": " + jsonNumber(result.meanDelay) +
              ", \"max_radius\": " + jsonNumber(result.maxRadius) + "}");
        return 0;
    }
    print("Размах группового времени задержки в полосе до коррекции, отсчетов: " +
          number(result.variationBefore));
    print("Размах группового времени задержки в полосе после коррекции, отсчетов: " +
          number(result.variationAfter));
    print("Среднее групповое время задержки корректора в полосе, отсчетов: " +
          number(result.meanDelay));
    print("Наибольший радиус полюсов корректора: " + number(result.maxRadius));
    return 0;
}

int runEq(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"fd", "band", "output"}, {"json"});
    if (args.help) {
        std::fputs(eqHelp, stdout);
        return 0;
    }
    noPositional(args);
    const std::string output = requiredOutput(args);
    AudioEqRequest request;
    request.fd = realOption(args, "fd", defaultSamplingFrequency);
    for (const std::string& text : repeatedOption(args, "band")) {
        const std::vector<std::string> pieces = splitValue(text, ':');
        if (pieces.size() != 4)
            throw UserMessage("Полоса '" + text + "' задается как ТИП:F:УСИЛЕНИЕ:Q");
        AudioBand band;
        band.type = audioBandType(pieces[0]);
        band.frequency = realValue(pieces[1]);
        band.gainDb = realValue(pieces[2]);
        band.q = realValue(pieces[3]);
        request.bands.push_back(band);
    }
    const AudioEqResult result = designAudioEq(request);
    writeDesignedFiles({{output, result.filter}});
    const bool json = switchGiven(args, "json");
    std::string text = "{\"bands\": [";
    for (std::size_t k = 0; k < request.bands.size(); ++k) {
        const AudioBand& b = request.bands[k];
        const bool gain = audioBandHasGain(b.type);
        if (json) {
            text += std::string(k > 0 ? ", " : "") +
                    "{\"type\": " + jsonString(audioBandName(b.type)) +
                    ", \"frequency\": " + jsonNumber(b.frequency) +
                    ", \"gain_db\": " + (gain ? jsonNumber(b.gainDb) : "null") +
                    ", \"q\": " + jsonNumber(b.q) +
                    ", \"cascade_gain_db\": " + jsonNumber(result.centreGainDb[k]) + "}";
            continue;
        }
        print("Полоса " + std::to_string(k + 1) + ": " + audioBandName(b.type) + ", F = " +
              number(b.frequency) + (gain ? ", усиление " + number(b.gainDb) + " dB" : "") +
              (b.type == AudioBandType::LowShelf || b.type == AudioBandType::HighShelf ? ", S = "
                                                                                       : ", Q = ") +
              number(b.q) + "; усиление каскада на частоте F: " +
              formatDecibels(result.centreGainDb[k], '.') + " dB");
    }
    if (json)
        print(text + "]}");
    return 0;
}

int runNotch(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"fd", "f0", "q", "output"}, {"peak"});
    if (args.help) {
        std::fputs(notchHelp, stdout);
        return 0;
    }
    noPositional(args);
    const std::string output = requiredOutput(args);
    NotchRequest request;
    request.fd = realOption(args, "fd", defaultSamplingFrequency);
    request.f0 = requiredReal(args, "f0", "а частота");
    request.q = requiredReal(args, "q", "а добротность");
    request.peak = switchGiven(args, "peak");
    writeDesignedFiles({{output, designNotch(request)}});
    return 0;
}

int runComb(int argc, char** argv) {
    const Arguments args =
        parseArguments(argc, argv, 2, {"fd", "f0", "q", "output"}, {"peak", "pass-zero"});
    if (args.help) {
        std::fputs(combHelp, stdout);
        return 0;
    }
    noPositional(args);
    const std::string output = requiredOutput(args);
    CombRequest request;
    request.fd = realOption(args, "fd", defaultSamplingFrequency);
    request.f0 = requiredReal(args, "f0", "а частота");
    request.q = requiredReal(args, "q", "а добротность");
    request.peak = switchGiven(args, "peak");
    request.passZero = switchGiven(args, "pass-zero");
    writeDesignedFiles({{output, designComb(request)}});
    return 0;
}

int runFractionalDelay(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"delay", "order", "output"});
    if (args.help) {
        std::fputs(fractionalDelayHelp, stdout);
        return 0;
    }
    noPositional(args);
    const std::string output = requiredOutput(args);
    FractionalDelayRequest request;
    request.delay = requiredReal(args, "delay", "а задержка");
    if (args.options.count("order") != 0) {
        const std::int64_t order = integerOption(args, "order", 0);
        request.order = order < 1 || order > maxThiranOrder ? -1 : static_cast<int>(order);
    }
    writeDesignedFiles({{output, designFractionalDelay(request)}});
    return 0;
}

int runFromAnalog(int argc, char** argv) {
    const Arguments args = parseArguments(
        argc, argv, 2, {"num", "den", "fd", "method", "prewarp", "output"}, {"allow-unstable"});
    if (args.help) {
        std::fputs(fromAnalogHelp, stdout);
        return 0;
    }
    noPositional(args);
    const std::string output = requiredOutput(args);
    if (args.options.count("num") == 0 || args.options.count("den") == 0)
        throw UserMessage("Задайте числитель --num и знаменатель --den H(s)");
    AnalogRequest request;
    request.numerator = realList(textOption(args, "num", ""));
    request.denominator = realList(textOption(args, "den", ""));
    request.fd = realOption(args, "fd", defaultSamplingFrequency);
    const std::string method = textOption(args, "method", "bilinear");
    if (method == "bilinear")
        request.method = AnalogMethod::Bilinear;
    else if (method == "prewarp")
        request.method = AnalogMethod::Prewarp;
    else if (method == "matched")
        request.method = AnalogMethod::Matched;
    else if (method == "impulse")
        request.method = AnalogMethod::Impulse;
    else
        throw UserMessage("Неизвестный метод '" + method +
                          "': допустимы bilinear, prewarp, matched, impulse");
    if (args.options.count("prewarp") != 0) {
        if (request.method != AnalogMethod::Bilinear && request.method != AnalogMethod::Prewarp)
            throw UserMessage("--prewarp относится только к методам bilinear и prewarp");
        request.prewarp = realOption(args, "prewarp", 0);
        checkFrequency(request.prewarp, request.fd, "Частота предыскажения F");
    } else if (request.method == AnalogMethod::Prewarp) {
        throw UserMessage("Для метода prewarp задайте частоту предыскажения --prewarp F");
    }
    request.allowUnstable = switchGiven(args, "allow-unstable");
    writeDesignedFiles({{output, designFromAnalog(request)}});
    return 0;
}

} // namespace zorkan::cli
