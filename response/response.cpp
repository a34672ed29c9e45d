#include "response/response.h"

#include "common/errors.h"
#include "common/floatfaults.h"
#include "common/rounding.h"

#include <cmath>

namespace zorkan {

const char* const noFileNameMessage = "Не задано имя файла";
const char* const noSectionsMessage = "В файле параметров фильтра нет ни одной секции";
const char* const zeroMagnitudeMessage =
    "Коэффициент передачи фильтра равен нулю на всех частотах диапазона: "
    "АЧХ построить нельзя";

const char* const invalidValueMessage = "Не верное значение";

namespace {

using fp::real;

constexpr real pi = 3.141592653589793238462643383279502884L;
constexpr int maxColumns = 65535;
constexpr int maxRows = 65535;

// A trace's row, already rounded, kept inside the picture: rows 1 to height - 1.
int clampRow(real y, int height) {
    if (y <= 0)
        return 1;
    if (y >= height)
        return height - 1;
    return static_cast<int>(y);
}

struct SectionSums {
    double re;
    double im;
};

SectionSums polynomialAt(const double* c, const real* cosines, const real* sines) {
    real re = c[0], im = 0;
    for (int m = 1; m <= 4; ++m) {
        re += c[m] * cosines[m];
        im += c[m] * sines[m];
    }
    return {fp::toDouble(re), fp::toDouble(im)};
}

} // namespace

std::optional<RangeField> firstInvalidRangeField(const ResponseRange& r) {
    if (!(0 <= r.f1 && r.f1 <= r.fd))
        return RangeField::F1;
    if (!(r.f1 <= r.f2 && r.f2 <= r.fd))
        return RangeField::F2;
    if (!(-100 <= r.b2 && r.b2 <= r.b1))
        return RangeField::B2;
    if (!(r.b2 <= r.b1 && r.b1 <= 5))
        return RangeField::B1;
    if (!(0 <= r.a2 && r.a2 <= r.a1))
        return RangeField::A2;
    if (!(r.a2 <= r.a1 && r.a1 <= 1))
        return RangeField::A1;
    return std::nullopt;
}

ResponsePoint evaluateCascade(const std::vector<FilterSection>& sections, double f, double fd) {
    real cosines[5], sines[5];
    for (int m = 1; m <= 4; ++m) {
        const real theta = fp::div(2 * pi * m * f, fd);
        cosines[m] = std::cos(theta);
        sines[m] = std::sin(theta);
    }
    ResponsePoint p;
    for (const FilterSection& s : sections) {
        const SectionSums n = polynomialAt(s.a, cosines, sines);
        const SectionSums d = polynomialAt(s.b, cosines, sines);
        const real numerator = static_cast<real>(n.re) * n.re + static_cast<real>(n.im) * n.im;
        const real denominator = static_cast<real>(d.re) * d.re + static_cast<real>(d.im) * d.im;
        p.magnitude = fp::toDouble(p.magnitude * fp::sqrt(fp::div(numerator, denominator)));

        // Each angle is taken modulo pi by the one-argument arctangent.
        real phi = p.phase;
        if (n.re != 0 && d.re != 0)
            phi = phi - fp::atan(fp::div(n.im, n.re)) + fp::atan(fp::div(d.im, d.re));
        else if (n.re != 0)
            phi = phi - fp::atan(fp::div(n.im, n.re)) + pi / 2;
        else if (d.re != 0)
            phi = phi - pi / 2 + fp::atan(fp::div(d.im, d.re));
        p.phase = fp::toDouble(phi);
        // One correction each way, no loop.
        if (p.phase > pi)
            p.phase = fp::toDouble(p.phase - 2 * pi);
        if (p.phase < -pi)
            p.phase = fp::toDouble(p.phase + 2 * pi);
    }
    return p;
}

ResponseResult drawResponse(const std::vector<FilterSection>& sections, const ResponseRange& range,
                            int width, int height, DrawingTarget& target,
                            const MaximumSink& onMaximum) {
    if (width < 1 || width > maxColumns || height < 2 || height > maxRows)
        throw UserMessage("Недопустимый размер рисунка " + std::to_string(width) + " x " +
                          std::to_string(height));
    const int W = width, H = height;
    ResponseResult result;
    result.columns.resize(static_cast<std::size_t>(W) + 1);

    // Phase trace.
    for (int i = 0; i <= W; ++i) {
        ResponseColumn& c = result.columns[i];
        c.frequency = fp::toDouble(range.f1 + (static_cast<real>(range.f2) - range.f1) * i / W);
        const ResponsePoint p = evaluateCascade(sections, c.frequency, range.fd);
        c.magnitude = p.magnitude;
        c.phase = p.phase;
        c.yPhase =
            static_cast<int>(H / 2 + roundHalfEvenWide(static_cast<real>(H) / 2 * c.phase / pi));
        if (i == 0) {
            target.setPenWidth(2);
            target.setPenColor(phaseColor);
        } else {
            target.verticalSegment(i, result.columns[i - 1].yPhase, c.yPhase);
        }
    }

    // Maximum: the first column where it is reached.
    result.fm = range.f1;
    for (const ResponseColumn& c : result.columns) {
        if (c.magnitude > result.kmax) {
            result.kmax = c.magnitude;
            result.fm = c.frequency;
        }
    }
    if (onMaximum)
        onMaximum(result.kmax, result.fm);
    if (result.kmax == 0)
        throw UserMessage(zeroMagnitudeMessage);

    // Magnitude traces; a scale without height is left out.
    const real kmax = result.kmax;
    const real linearSpan = static_cast<real>(range.a1) - range.a2;
    const real decibelSpan = static_cast<real>(range.b1) - range.b2;
    const bool linear = linearSpan != 0;
    const bool decibel = decibelSpan != 0;
    const real linearOffset =
        linear ? roundHalfEvenWide(H * static_cast<real>(range.a2) / linearSpan) : 0;
    const real decibelOffset =
        decibel ? roundHalfEvenWide(H * static_cast<real>(range.b2) / decibelSpan) : 0;
    for (int i = 0; i <= W; ++i) {
        ResponseColumn& c = result.columns[i];
        double floored = c.magnitude;
        if (c.magnitude / kmax <= 0.00001L)
            floored = fp::toDouble(0.00001L * kmax);
        const real relative = floored / kmax;
        c.decibels = fp::toDouble(20 * fp::log10(relative));
        if (linear)
            c.yLinear = clampRow(
                H - roundHalfEvenWide(static_cast<real>(H) * floored / (linearSpan * kmax)) +
                    linearOffset,
                H);
        if (decibel)
            c.yDecibel = clampRow(
                H - roundHalfEvenWide(20 * H * fp::log10(relative) / decibelSpan) + decibelOffset,
                H);

        if (i == 0) {
            if (linear)
                target.setPixel(0, *c.yLinear, linearColor);
            if (decibel)
                target.setPixel(0, *c.yDecibel, decibelColor);
            continue;
        }
        const ResponseColumn& previous = result.columns[i - 1];
        if (linear) {
            target.setPenColor(linearColor);
            target.verticalSegment(i, *previous.yLinear, *c.yLinear);
        }
        if (decibel) {
            target.setPenColor(decibelColor);
            target.verticalSegment(i, *previous.yDecibel, *c.yDecibel);
        }
    }
    return result;
}

ResponseResult computeResponse(const std::string& path, const ResponseRange& range, int width,
                               int height, DrawingTarget& target, const MaximumSink& onMaximum) {
    if (path.empty() || path == "*.flt")
        throw UserMessage(noFileNameMessage);
    TextReader in(path);
    return computeResponse(in, range, width, height, target, onMaximum);
}

ResponseResult computeResponse(TextReader& in, const ResponseRange& range, int width, int height,
                               DrawingTarget& target, const MaximumSink& onMaximum) {
    const FilterCoefficients filter = readFilterFile(in, responseReader);
    // An order of 0 or 1 (an empty file, say) holds no filter to show.
    if (filter.sections.empty())
        throw UserMessage(noSectionsMessage);
    return drawResponse(filter.sections, range, width, height, target, onMaximum);
}

void clearResponsePicture(Canvas& canvas) {
    const int W = canvas.width(), H = canvas.height();
    canvas.setPenWidth(1);
    canvas.setPenColor(gridColor);
    canvas.setBrushColor(white);
    canvas.rectangle(0, 0, W, H);
    for (int i = 1; i <= 9; ++i) {
        const int x = static_cast<int>(roundHalfEven(static_cast<real>(i) * W / 10));
        canvas.moveTo(x, H);
        canvas.lineTo(x, 0);
    }
    for (int i = 1; i <= 9; ++i) {
        const int y = static_cast<int>(roundHalfEven(static_cast<real>(i) * H / 10));
        canvas.moveTo(0, y);
        canvas.lineTo(W, y);
    }
}

} // namespace zorkan
