#include "analysis/analysisrun.h"

#include "cascade/tolerances.h"
#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/pngfile.h"
#include "common/replacefile.h"

#include <algorithm>
#include <cmath>

namespace zorkan {

namespace {

std::vector<double> indices(std::size_t count) {
    std::vector<double> x(count);
    for (std::size_t i = 0; i < count; ++i)
        x[i] = static_cast<double>(i);
    return x;
}

Series delaySeries(const AnalysedFile& file, Rgb color) {
    Series s;
    s.color = color;
    for (const GroupDelayRow& row : file.delay) {
        s.x.push_back(row.frequency);
        s.y.push_back(row.samples);
    }
    return s;
}

Series responseSeries(const std::vector<double>& values, Rgb color) {
    return {indices(values.size()), values, color};
}

const std::vector<double>& responseOf(const AnalysedFile& file, AnalysisPage page) {
    return page == AnalysisPage::Impulse ? file.impulse : file.step;
}

std::string number(double v, char separator) {
    return formatGeneral(v, separator);
}

// The index of the value nearest to x in a non-empty increasing list.
std::size_t nearestIndex(const std::vector<double>& xs, double x) {
    const auto above = std::lower_bound(xs.begin(), xs.end(), x);
    if (above == xs.begin())
        return 0;
    if (above == xs.end())
        return xs.size() - 1;
    const std::size_t i = static_cast<std::size_t>(above - xs.begin());
    return x - xs[i - 1] <= xs[i] - x ? i - 1 : i;
}

} // namespace

void rethrowWithPrefix(const std::string& prefix) {
    try {
        throw;
    } catch (const InOutError& e) {
        throw namedFileError(e); // names its file itself
    } catch (const FloatError& e) {
        throw FloatError(prefix + e.what());
    } catch (const ConvertError& e) {
        throw ConvertError(prefix + e.what());
    } catch (const UserMessage& e) {
        throw UserMessage(prefix + e.what());
    } catch (const Error& e) {
        throw Error(prefix + e.what());
    }
}

FilterCoefficients readComparedFilter(const std::string& path) {
    try {
        return readAnalysedFilter(path);
    } catch (const Error&) {
        rethrowWithPrefix("Файл для сравнения " + path + ": ");
    }
}

FirFilter readComparedFir(const std::string& path) {
    try {
        return readFirFile(path);
    } catch (const Error&) {
        rethrowWithPrefix("Файл для сравнения " + path + ": ");
    }
}

void checkPictureName(const std::string& picture, const std::string& filter,
                      const std::string& compared) {
    if (!filter.empty() && sameFile(picture, filter))
        throw UserMessage("Файл рисунка совпадает с файлом фильтра: выберите другое имя");
    if (!compared.empty() && sameFile(picture, compared))
        throw UserMessage("Файл рисунка совпадает с файлом фильтра для сравнения: выберите "
                          "другое имя");
}

void saveAnalysisPicture(const Canvas& canvas, const std::string& path) {
    try {
        saveCanvas(canvas, path);
    } catch (const Error&) {
        rethrowWithPrefix("Файл рисунка " + path + ": ");
    }
}

std::string frequencyAxisTitle(double fd) {
    return fd == 1 ? "f, доли FD" : "f, Гц";
}

AnalysedFile analyseFile(const std::string& path, double fd, int samples, AnalysedRole role) {
    checkSamplingFrequency(fd);
    checkSampleCount(samples);
    if (role == AnalysedRole::Compared) {
        try {
            return analyseFile(path, fd, samples);
        } catch (const Error&) {
            rethrowWithPrefix("Файл для сравнения " + path + ": ");
        }
    }
    AnalysedFile a;
    a.path = path;
    if (isFirFileName(path)) {
        a.fir = namingFiles([&] { return readFirFile(path); });
        const std::vector<double>& taps = a.fir->taps;
        a.roots = firRoots(taps);
        const FirSummary summary = summariseFir(taps, fd);
        a.summaryText = firSummaryLines(summary, fd);
        if (summary.delayDefined)
            a.delay = firGroupDelayTable(taps, summaryDelayPoints, fd);
        firResponse(taps, samples, false, a.impulse);
        firResponse(taps, samples, true, a.step);
        return a;
    }
    a.filter = namingFiles([&] { return readAnalysedFilter(path); });
    a.roots = filterRoots(a.filter);
    a.summary = summarise(a.filter, a.roots, fd);
    a.summaryText = summaryLines(a.summary, fd);
    if (a.summary.delayDefined)
        a.delay = groupDelayTable(a.filter, summaryDelayPoints, fd);
    for (const bool step : {false, true}) {
        std::vector<double>& out = step ? a.step : a.impulse;
        try {
            cascadeResponse(a.filter, samples, step, out);
        } catch (const FloatError& e) {
            a.responseFault = e.what();
        }
    }
    return a;
}

PlotFrame drawAnalysisPage(Canvas& canvas, AnalysisPage page, const AnalysedFile& first,
                           const AnalysedFile* second, const FilterComparison* comparison,
                           double fd) {
    const std::string frequency = frequencyAxisTitle(fd);
    switch (page) {
    case AnalysisPage::ZPlane:
        return drawZPlane(canvas, first.roots, second ? &second->roots : nullptr);
    case AnalysisPage::GroupDelay: {
        std::vector<Series> series;
        if (second)
            series.push_back(delaySeries(*second, secondFilterColor));
        series.push_back(delaySeries(first, firstFilterColor));
        return drawChart(canvas, series, false, {frequency, "τ, отсчеты"});
    }
    case AnalysisPage::Impulse:
    case AnalysisPage::Step: {
        std::vector<Series> series;
        if (second)
            series.push_back(responseSeries(responseOf(*second, page), secondFilterColor));
        series.push_back(responseSeries(responseOf(first, page), firstFilterColor));
        std::size_t longest = 0;
        for (const Series& s : series)
            longest = std::max(longest, s.x.size());
        return drawChart(canvas, series, longest <= stemSamples,
                         {"n, отсчеты", page == AnalysisPage::Impulse ? "h(n)" : "g(n)"});
    }
    case AnalysisPage::Magnitude:
        if (!comparison)
            return drawChart(canvas, {}, false, {frequency, "АЧХ, дБ"});
        return drawChart(canvas,
                         {{comparison->frequencies, comparison->secondDb, secondFilterColor},
                          {comparison->frequencies, comparison->firstDb, firstFilterColor}},
                         false, {frequency, "АЧХ, дБ"});
    case AnalysisPage::Difference:
        if (!comparison)
            return drawChart(canvas, {}, false, {frequency, "разность АЧХ, дБ"});
        return drawChart(canvas,
                         {{comparison->frequencies, comparison->differenceDb, firstFilterColor}},
                         false, {frequency, "разность АЧХ, дБ"});
    }
    return {};
}

std::string readoutAt(AnalysisPage page, const PlotFrame& frame, int x, int y,
                      const AnalysedFile& first, const AnalysedFile* second,
                      const FilterComparison* comparison, char separator) {
    if (!frame.contains(x, y))
        return {};
    const double vx = frame.valueX(x), vy = frame.valueY(y);
    switch (page) {
    case AnalysisPage::ZPlane: {
        std::string text = "z = " + number(vx, separator) + (vy < 0 ? " - j" : " + j") +
                           number(std::fabs(vy), separator) +
                           ", |z| = " + number(std::hypot(vx, vy), separator);
        // The root drawn within 5 pixels of the pointer, the first filter's first.
        for (const auto* file : {&first, second}) {
            if (!file)
                continue;
            for (const FilterRoot& r : file->roots) {
                if (std::hypot(frame.pixelX(r.re) - x, frame.pixelY(r.im) - y) > 5)
                    continue;
                int count = 0;
                for (const RootMark& m : rootMarks(file->roots))
                    if (m.pole == r.pole && std::hypot(m.re - r.re, m.im - r.im) <=
                                                tolerance::samePlace * std::max(1.0, r.radius))
                        count = m.count;
                return text + "; " + (r.pole ? "полюс" : "нуль") +
                       (file == &first ? "" : " второго фильтра") + " секции " +
                       std::to_string(r.section) + ": " + number(r.re, separator) +
                       (r.im < 0 ? " - j" : " + j") + number(std::fabs(r.im), separator) +
                       ", радиус " + number(r.radius, separator) + ", угол " +
                       number(r.angle, separator) + " рад" +
                       (count > 1 ? ", кратность " + std::to_string(count) : "");
            }
        }
        return text;
    }
    case AnalysisPage::GroupDelay: {
        if (first.delay.empty())
            return {};
        std::vector<double> fs;
        for (const GroupDelayRow& row : first.delay)
            fs.push_back(row.frequency);
        const std::size_t i = nearestIndex(fs, vx);
        std::string text = "f = " + number(first.delay[i].frequency, separator) +
                           ": τ = " + number(first.delay[i].samples, separator) + " отсч. (" +
                           number(first.delay[i].seconds, separator) + " с)";
        if (second && i < second->delay.size())
            text += ", второй: " + number(second->delay[i].samples, separator) + " отсч.";
        return text;
    }
    case AnalysisPage::Impulse:
    case AnalysisPage::Step: {
        const std::vector<double>& values = responseOf(first, page);
        if (values.empty())
            return {};
        const long n = std::lround(std::clamp(vx, 0.0, static_cast<double>(values.size() - 1)));
        const char* name = page == AnalysisPage::Impulse ? "h" : "g";
        std::string text = "n = " + std::to_string(n) + ": " + name + " = " +
                           number(values[static_cast<std::size_t>(n)], separator);
        if (second) {
            const std::vector<double>& other = responseOf(*second, page);
            if (static_cast<std::size_t>(n) < other.size())
                text += ", второй: " + number(other[static_cast<std::size_t>(n)], separator);
        }
        return text;
    }
    case AnalysisPage::Magnitude:
    case AnalysisPage::Difference: {
        if (!comparison || comparison->frequencies.empty())
            return {};
        const std::size_t i = nearestIndex(comparison->frequencies, vx);
        std::string text = "f = " + number(comparison->frequencies[i], separator) + ": АЧХ " +
                           number(comparison->firstDb[i], separator) + " дБ, второй " +
                           number(comparison->secondDb[i], separator) + " дБ";
        if (std::isfinite(comparison->differenceDb[i]))
            text += ", разность " + number(comparison->differenceDb[i], separator) + " дБ";
        return text;
    }
    }
    return {};
}

} // namespace zorkan
