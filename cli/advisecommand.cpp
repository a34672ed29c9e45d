// zorkan-cli advise: every IIR and FIR design that meets one request, compared.
#include "advice/advice.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "design/designreport.h"

#include <cstdio>
#include <string>
#include <utility>

namespace zorkan::cli {

namespace {

const char* const adviseHelp =
    "Использование: zorkan-cli advise [R.out] [ПАРАМЕТРЫ]\n"
    "\n"
    "БИХ или КИХ: все проекты, выполняющие одни требования, - пять аппроксимаций БИХ\n"
    "(Баттерворта, Чебышева, эллиптическая, инверсная Чебышева, Бесселя) наименьшего\n"
    "порядка, как в окне \"Расчет фильтра: все типы\" (design --exact), и наименьший\n"
    "равноволновый КИХ-фильтр, с линейной фазой и минимально-фазовый. Для каждого:\n"
    "порядок или число отводов, умножения и сложения на отсчет (у КИХ-фильтра с линейной\n"
    "фазой симметричные пары отводов умножаются один раз), слова состояния и\n"
    "коэффициентов, групповое время задержки в полосе пропускания (наименьшее,\n"
    "наибольшее, разброс, в отсчетах). Отмечаются проекты с наименьшим числом умножений\n"
    "и с наименьшим разбросом задержки.\n"
    "\n"
    "Требования берутся из отчета расчета R.out или задаются, как в design:\n"
    "  --f1 X        верхняя граница полосы пропускания, по умолчанию 0.2\n"
    "  --f2 X        нижняя граница полосы пропускания, по умолчанию 0\n"
    "  --f3 X        нижняя граница полосы задерживания, по умолчанию 0\n"
    "  --f4 X        верхняя граница полосы задерживания, по умолчанию 0.25\n"
    "                ФНЧ - F3=0 F2=0 F1<F4; ФВЧ - F3<F2 F1=0 F4=0; ПФ - F3<F2<F1<F4;\n"
    "                РФ - F1<F3<F4<F2\n"
    "  --da X        неравномерность в полосе пропускания, dB; по умолчанию 1.5\n"
    "  --b1 X        затухание в полосе задерживания, dB; по умолчанию 30\n"
    "  --fd X        частота дискретизации, по умолчанию 1\n"
    "\n"
    "  --target T    арифметика: q15, q31, float или fixed; по умолчанию нет (без\n"
    "                квантования, стоимость - в структуре double): с ней для каждого\n"
    "                проекта - выполняет ли квантованный фильтр требования, отношение\n"
    "                сигнал/шум по моделированию и наименьшая длина коэффициентов\n"
    "                (q15, q31, fixed)\n"
    "  --data-bits W длина слова данных для fixed, от 4 до 32 (обязательна с fixed)\n"
    "  --coef-bits C длина слова коэффициентов для fixed, от 4 до 32 (обязательна с fixed)\n"
    "  --json        вывести одним объектом JSON: массив candidates (type, approximation,\n"
    "                order, multiplications, additions, state_words, coef_words,\n"
    "                group_delay_min, group_delay_max, group_delay_variation; с --target\n"
    "                meets_request_quantised, snr_db, min_coef_bits), skipped, cheapest\n"
    "                (номер проекта с наименьшим числом умножений, от 0), flattest\n"
    "  --help        эта справка\n"
    "\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1.\n";

std::optional<Arithmetic> targetOption(const Arguments& args) {
    const bool words = args.options.count("data-bits") || args.options.count("coef-bits");
    if (!args.options.count("target")) {
        if (words)
            throw UserMessage("--data-bits и --coef-bits задаются только с --target fixed");
        return std::nullopt;
    }
    const std::string name = textOption(args, "target", "");
    if (name != "q15" && name != "q31" && name != "float" && name != "fixed")
        throw UserMessage("Неизвестная арифметика '" + name +
                          "': допустимы q15, q31, float, fixed");
    const Target target = parseTarget(name);
    Arithmetic a = namedArithmetic(target);
    if (target != Target::Fixed) {
        if (words)
            throw UserMessage("Параметры --data-bits и --coef-bits относятся только к "
                              "арифметике fixed");
        return a;
    }
    if (!args.options.count("data-bits") || !args.options.count("coef-bits"))
        throw UserMessage("Для арифметики fixed укажите длины слов --data-bits и --coef-bits");
    a.dataBits = static_cast<int>(integerOption(args, "data-bits", a.dataBits));
    a.coefBits = static_cast<int>(integerOption(args, "coef-bits", a.coefBits));
    checkArithmetic(a);
    return a;
}

} // namespace

int runAdvise(int argc, char** argv) {
    const Arguments args = parseArguments(
        argc, argv, 2,
        {"f1", "f2", "f3", "f4", "da", "b1", "fd", "target", "data-bits", "coef-bits"}, {"json"});
    if (args.help) {
        std::fputs(adviseHelp, stdout);
        return 0;
    }
    if (args.positional.size() > 1)
        throw UserMessage("Лишний аргумент: " + args.positional[1]);
    DesignRequest rq;
    const std::pair<const char*, double DesignRequest::*> fields[] = {
        {"f1", &DesignRequest::f1}, {"f2", &DesignRequest::f2}, {"f3", &DesignRequest::f3},
        {"f4", &DesignRequest::f4}, {"da", &DesignRequest::da}, {"b1", &DesignRequest::b1},
        {"fd", &DesignRequest::fd}};
    if (!args.positional.empty()) {
        for (const auto& [name, field] : fields)
            if (args.options.count(name))
                throw UserMessage(std::string("--") + name +
                                  " не задается вместе с отчетом расчета: требования берутся "
                                  "из него");
        rq = readDesignRequest(args.positional[0]);
    } else {
        for (const auto& [name, field] : fields)
            rq.*field = realOption(args, name, rq.*field);
    }
    const std::optional<Arithmetic> target = targetOption(args);
    const Advice advice = adviseDesigns(rq, target);
    if (switchGiven(args, "json")) {
        std::printf("%s\n", adviceJson(advice).c_str());
    } else {
        for (const std::string& line : adviceLines(advice))
            std::printf("%s\n", line.c_str());
    }
    return 0;
}

} // namespace zorkan::cli
