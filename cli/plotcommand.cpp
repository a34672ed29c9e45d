// zorkan-cli plot: the characteristics of several filters over one frequency grid, as
// CSV, as the characteristics window's picture, and the places where they leave the
// tolerance mask of a design request.
#include "analysis/analysisrun.h"
#include "analysis/filteranalysis.h"
#include "charts/characteristicschart.h"
#include "charts/chartpictures.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "design/designreport.h"
#include "fir/firfile.h"
#include "fixedpoint/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace zorkan::cli {

namespace {

const char* const plotHelp =
    "Использование: zorkan-cli plot F.flt [G.flt ...] --view ХАРАКТЕРИСТИКА [ПАРАМЕТРЫ]\n"
    "\n"
    "Характеристики до 8 фильтров (H(z) = A(z)/B(z), файлы читаются, как для частотных\n"
    "характеристик) на одной сетке частот. Файл .fir - КИХ-фильтр, H(z) = h0 + h1 z^-1 +\n"
    "... + h(N-1) z^-(N-1), вычисляемый по схеме Горнера на каждой частоте; его можно\n"
    "задать вместе с файлами .flt.\n"
    "\n"
    "  --view V        magnitude (|H|), magnitude-db (20 lg |H|, без нормировки), phase\n"
    "                  (непрерывная фаза в радианах) или group-delay (групповое время\n"
    "                  задержки в отсчетах)\n"
    "  --fd FD         частота дискретизации, по умолчанию 1, с --mask - FD отчета;\n"
    "                  частоты - в ее единицах\n"
    "  --fmin X        начальная частота, по умолчанию 0\n"
    "  --fmax Y        конечная частота, по умолчанию FD/2\n"
    "  --log           логарифмическая ось частот (fmin больше нуля)\n"
    "  --points N      число частот, по умолчанию 1000 (от 2 до 1000000)\n"
    "  --mask R.out    маска допусков из запроса отчета о расчете: неравномерность в\n"
    "                  полосе пропускания и затухание в полосах задерживания\n"
    "                  относительно максимума в полосе пропускания\n"
    "  --csv           вывести таблицу: строка \"f,<файл>,...\" и N строк - частота и\n"
    "                  значение для каждого файла, 17 значащих цифр\n"
    "  --picture P     записать рисунок окна характеристик размером 800x500: SVG или\n"
    "                  PDF (линии и текст векторные; в PDF шрифт Helvetica, русские\n"
    "                  буквы - латиницей) или PNG (без надписей)\n"
    "  --help          эта справка\n"
    "\n"
    "Частоты: f_k = fmin + k(fmax - fmin)/(N - 1), с --log fmin (fmax/fmin)^(k/(N - 1)),\n"
    "k = 0..N-1. Без --csv выводится по строке на файл: наименьшее и наибольшее\n"
    "значение, с --mask - участки частот, где кривая выходит из маски. Числа пишутся с\n"
    "точкой. При ошибке сообщение выводится в stderr, код выхода 1, ничего не\n"
    "записывается.\n";

std::string rangeText(double a, double b) {
    return csvNumber(a) + " .. " + csvNumber(b);
}

} // namespace

int runPlot(int argc, char** argv) {
    const Arguments args = parseArguments(
        argc, argv, 2, {"view", "fd", "fmin", "fmax", "points", "mask", "picture"}, {"log", "csv"});
    if (args.help) {
        std::fputs(plotHelp, stdout);
        return 0;
    }
    if (args.positional.empty())
        throw UserMessage("Укажите хотя бы один файл фильтра (.flt или .fir)");
    if (args.positional.size() > static_cast<std::size_t>(maxChartCurves))
        throw UserMessage("Можно задать не более 8 файлов фильтров");
    if (!args.options.count("view"))
        throw UserMessage(
            "Укажите характеристику: --view magnitude, magnitude-db, phase или group-delay");
    ChartOptions options;
    options.view = parseChartView(textOption(args, "view", ""));
    const std::string maskPath = textOption(args, "mask", "");
    if (args.options.count("mask") && maskPath.empty())
        throw UserMessage("Не задано имя отчета о расчете (--mask)");
    std::optional<DesignRequest> request;
    if (!maskPath.empty()) {
        try {
            request = readDesignRequest(maskPath);
        } catch (const Error& e) {
            // The reader names the file in its own refusals, not in the platform's errors.
            if (std::string(e.what()).find(maskPath) == std::string::npos)
                rethrowWithPrefix("Отчет о расчете " + maskPath + ": ");
            throw;
        }
    }
    // The frequencies are in the unit of the design's FD unless --fd says otherwise.
    options.fd = realOption(args, "fd", request ? request->fd : 1.0);
    checkSamplingFrequency(options.fd);
    FrequencyGrid grid;
    grid.logarithmic = switchGiven(args, "log");
    grid.fmin = realOption(args, "fmin", 0.0);
    grid.fmax = realOption(args, "fmax", options.fd / 2);
    const std::int64_t points = integerOption(args, "points", 1000);
    if (points < 2 || points > maxChartPoints)
        throw UserMessage("Число точек должно быть от 2 до " + std::to_string(maxChartPoints));
    grid.points = static_cast<int>(points);
    checkFrequencyGrid(grid);

    const std::string picturePath = textOption(args, "picture", "");
    if (args.options.count("picture")) {
        PictureFormat format;
        if (picturePath.empty() || !pictureFormatOf(picturePath, format))
            throw UserMessage("Рисунок " + picturePath +
                              ": укажите имя с расширением .png, .svg или .pdf");
        checkDrawableAxis({grid.fmin, grid.fmax, grid.logarithmic});
    }
    if (!picturePath.empty()) {
        for (const std::string& input : args.positional)
            if (sameFile(picturePath, input))
                throw UserMessage("Файл рисунка совпадает с файлом фильтра " + input +
                                  ": выберите другое имя");
        if (!maskPath.empty() && sameFile(picturePath, maskPath))
            throw UserMessage("Файл рисунка совпадает с отчетом о расчете: выберите другое имя");
    }

    std::vector<ChartSeries> series;
    for (const std::string& path : args.positional) {
        // The reader of ".fir" files names the file and the line in its own messages.
        if (isFirFileName(path)) {
            ChartSeries s{path, {}};
            s.source.taps = namingFiles([&] { return readFirFile(path); }).taps;
            series.push_back(std::move(s));
            continue;
        }
        try {
            series.push_back({path, {readAnalysedFilter(path), 1}});
            if (request)
                checkRequestFits(*request, series.back().source.filter.kind);
        } catch (const Error&) {
            rethrowWithPrefix("Файл фильтра " + path + ": ");
        }
    }
    std::optional<ToleranceMask> mask;
    if (request)
        mask = toleranceMask(*request, options.fd);

    ChartCurves curves;
    try {
        curves = computeChartCurves(series, options, grid, mask);
    } catch (const Error&) {
        // Only the group delay refuses a filter (a section whose numerator is zero).
        for (const ChartSeries& s : series)
            try {
                computeChartCurves({s}, options, {grid.fmin, grid.fmax, 2, grid.logarithmic},
                                   std::nullopt);
            } catch (const Error&) {
                rethrowWithPrefix("Файл фильтра " + s.name + ": ");
            }
        throw;
    }

    std::string out;
    if (switchGiven(args, "csv")) {
        std::vector<std::string> names;
        for (const ChartSeries& s : series)
            names.push_back(s.name);
        out = chartCsv(names, curves);
    } else {
        for (std::size_t i = 0; i < series.size(); ++i) {
            out += series[i].name;
            out += ": ";
            double lo = HUGE_VAL, hi = -HUGE_VAL;
            for (double v : curves.values[i])
                if (std::isfinite(v)) {
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            out += lo <= hi ? rangeText(lo, hi) : std::string("нет конечных значений");
            if (mask &&
                (options.view == ChartView::Magnitude || options.view == ChartView::MagnitudeDb)) {
                std::vector<double> magnitudes = curves.values[i];
                if (options.view == ChartView::MagnitudeDb)
                    for (double& m : magnitudes)
                        m = std::pow(10.0, m / 20);
                const std::vector<MaskViolation> runs =
                    maskViolations(*mask, curves.frequencies, magnitudes, curves.references[i]);
                if (runs.empty())
                    out += "; в пределах маски";
                for (const MaskViolation& v : runs) {
                    out += "; вне маски ";
                    out += rangeText(curves.frequencies[v.first], curves.frequencies[v.last]);
                }
            }
            out += '\n';
        }
    }
    if (!picturePath.empty()) {
        const AxisRange x{grid.fmin, grid.fmax, grid.logarithmic};
        const AxisRange y = valueRange(curves, grid.fmin, grid.fmax, viewDepth(options.view));
        const Chart chart = characteristicsChart(series, curves, options, mask, x, y,
                                                 defaultChartWidth, defaultChartHeight);
        try {
            saveChartPicture(chart, picturePath);
        } catch (const Error&) {
            rethrowWithPrefix("Рисунок " + picturePath + ": ");
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

} // namespace zorkan::cli
