// zorkan-cli response: the frequency-response window's computation, as a table and
// optionally as the window's picture.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/canvas.h"
#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "response/response.h"

#include <cstdio>
#include <optional>
#include <string>

namespace zorkan::cli {

namespace {

const char* const responseHelp =
    "Использование: zorkan-cli response ФАЙЛ.flt [ПАРАМЕТРЫ]\n"
    "\n"
    "Частотные характеристики фильтра из файла параметров (частота дискретизации 1).\n"
    "Выводит Kmax, FM и для каждого столбца рисунка (0..ширина) строку: частота,\n"
    "модуль коэффициента передачи, он же в dB относительно Kmax (не ниже -100),\n"
    "фаза в радианах.\n"
    "\n"
    "  --f1 X        начальная частота, по умолчанию 0.0   (0 <= F1 <= 1)\n"
    "  --f2 X        конечная частота, по умолчанию 0.5    (F1 <= F2 <= 1)\n"
    "  --a1 X        верх линейной шкалы, по умолчанию 1.0 (A2 <= A1 <= 1)\n"
    "  --a2 X        низ линейной шкалы, по умолчанию 0.0  (0 <= A2 <= A1)\n"
    "  --b1 X        верх шкалы dB, по умолчанию 0.0       (B2 <= B1 <= 5)\n"
    "  --b2 X        низ шкалы dB, по умолчанию -100.0     (-100 <= B2 <= B1)\n"
    "  --width N     ширина рисунка в точках, по умолчанию 549\n"
    "  --height N    высота рисунка в точках, по умолчанию 273\n"
    "  --picture P   записать рисунок окна (сетка и три кривые) в файл BMP\n"
    "  --help        эта справка\n"
    "\n"
    "Числа пишутся с точкой. При ошибке сообщение выводится в stderr, код выхода 1.\n";

const char* fieldOption(RangeField field) {
    switch (field) {
    case RangeField::F1:
        return "--f1";
    case RangeField::F2:
        return "--f2";
    case RangeField::B2:
        return "--b2";
    case RangeField::B1:
        return "--b1";
    case RangeField::A2:
        return "--a2";
    case RangeField::A1:
        return "--a1";
    }
    return "";
}

// Draws nothing: the table alone.
class NoDrawing : public DrawingTarget {
  public:
    void setPenColor(Rgb) override {}
    void setPenWidth(int) override {}
    void verticalSegment(int, int, int) override {}
    void setPixel(int, int, Rgb) override {}
};

int sizeOption(const Arguments& args, const std::string& name, int fallback) {
    const std::int64_t v = integerOption(args, name, fallback);
    if (v < 1 || v > 16384)
        throw UserMessage("Размер рисунка --" + name + " должен быть от 1 до 16384");
    return static_cast<int>(v);
}

} // namespace

int runResponse(int argc, char** argv) {
    const Arguments args = parseArguments(
        argc, argv, 2, {"f1", "f2", "a1", "a2", "b1", "b2", "width", "height", "picture"});
    if (args.help) {
        std::fputs(responseHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 1)
        throw UserMessage("Укажите один файл параметров фильтра (.flt)");
    const std::string path = args.positional.front();

    ResponseRange range;
    range.f1 = realOption(args, "f1", range.f1);
    range.f2 = realOption(args, "f2", range.f2);
    range.a1 = realOption(args, "a1", range.a1);
    range.a2 = realOption(args, "a2", range.a2);
    range.b1 = realOption(args, "b1", range.b1);
    range.b2 = realOption(args, "b2", range.b2);
    const int width = sizeOption(args, "width", 549);
    const int height = sizeOption(args, "height", 273);
    if (const auto bad = firstInvalidRangeField(range))
        throw UserMessage(std::string(invalidValueMessage) + " " + fieldOption(*bad));

    const std::string picturePath = textOption(args, "picture", "");
    checkOutputFiles({{"рисунок (--picture)", picturePath}}, {{"файл параметров фильтра", path}});
    std::optional<Canvas> canvas;
    NoDrawing nothing;
    if (!picturePath.empty()) {
        canvas.emplace(width, height);
        clearResponsePicture(*canvas);
    }
    DrawingTarget& target = canvas ? static_cast<DrawingTarget&>(*canvas) : nothing;

    bool drawn = false;
    auto showMaximum = [&drawn](double kmax, double fm) {
        drawn = true;
        std::printf("Kmax = %s\nFM = %s\n", formatGeneral(kmax, '.').c_str(),
                    formatGeneral(fm, '.').c_str());
    };
    ResponseResult result;
    try {
        result = computeResponse(path, range, width, height, target, showMaximum);
    } catch (const Error&) {
        // The window keeps what was drawn before a refusal; so does the picture.
        if (canvas && drawn)
            canvas->saveBmp(picturePath);
        throw;
    }
    for (const ResponseColumn& c : result.columns)
        std::printf("%s %s %s %s\n", formatReal(c.frequency).c_str(),
                    formatReal(c.magnitude).c_str(), formatReal(c.decibels).c_str(),
                    formatReal(c.phase).c_str());
    if (canvas)
        canvas->saveBmp(picturePath);
    return 0;
}

} // namespace zorkan::cli
