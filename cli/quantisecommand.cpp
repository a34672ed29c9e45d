// zorkan-cli quantise: the coefficient window's quantisation applied to a whole
// parameter file.
#include "cli/commands.h"
#include "cli/options.h"
#include "coefficients/filterfile.h"
#include "coefficients/quantise.h"
#include "common/errors.h"

#include <cstdio>
#include <string>

namespace zorkan::cli {

namespace {

const char* const quantiseHelp =
    "Использование: zorkan-cli quantise ВХОД.flt ВЫХОД.flt [ПАРАМЕТРЫ]\n"
    "\n"
    "Округляет дробную часть каждого коэффициента фильтра до D десятичных или\n"
    "двоичных разрядов (половина - к чётному), как окно ввода параметров фильтра.\n"
    "Файл читается по правилам расчёта частотных характеристик (пять коэффициентов\n"
    "в секции только у полосового фильтра, не более 32 секций) и записывается в том\n"
    "же расположении, числа - в общем виде, каждое с пробелом после него.\n"
    "\n"
    "  --digits D    число разрядов дробной части, по умолчанию 3\n"
    "  --base B      система счисления: 10 или 2, по умолчанию 10\n"
    "  --help        эта справка\n"
    "\n"
    "При ошибке сообщение выводится в stderr, код выхода 1.\n";

} // namespace

int runQuantise(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"digits", "base"});
    if (args.help) {
        std::fputs(quantiseHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 2)
        throw UserMessage("Укажите входной и выходной файлы параметров фильтра (.flt)");
    const std::int64_t digits = integerOption(args, "digits", 3);
    const std::string baseText = textOption(args, "base", "10");
    NumberBase base;
    if (baseText == "10")
        base = NumberBase::Decimal;
    else if (baseText == "2")
        base = NumberBase::Binary;
    else
        throw UserMessage("Система счисления --base должна быть 10 или 2, а не '" + baseText + "'");

    FilterCoefficients filter = readFilterFile(args.positional[0], responseReader);
    quantiseSections(filter.sections, digits, base);
    writeFilterInCellForm(args.positional[1], filter);
    return 0;
}

} // namespace zorkan::cli
