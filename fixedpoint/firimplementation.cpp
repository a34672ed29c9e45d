#include "fixedpoint/firimplementation.h"

#include "common/errors.h"

#include <cmath>
#include <cstdio>

namespace zorkan {

namespace {

__extension__ typedef __int128 Wide;

std::string tapText(std::size_t k, double h) {
    char text[64];
    std::snprintf(text, sizeof text, "h[%zu] = %.9g", k, h);
    return text;
}

// The taps of a CMSIS-DSP kernel's word 1.F: round(h 2^F), halves away from zero, which
// must stay inside [-2^F, 2^F).
void kernelTaps(FirImplementation& im, int fraction, const char* kernel) {
    const long double top = std::ldexp(1.0L, fraction);
    im.fraction = fraction;
    for (std::size_t k = 0; k < im.taps.size(); ++k) {
        const long double r =
            std::round(std::ldexp(static_cast<long double>(im.taps[k]), fraction));
        if (!(r >= -top && r < top))
            throw UserMessage("Отвод " + tapText(k, im.taps[k]) + " не представим для " + kernel +
                              ": коэффициенты ядра лежат в [-1, 1)");
        im.fixed.push_back(static_cast<std::int64_t>(r));
    }
}

// The taps of q15, q31 and fixed: the smallest shift s whose rounded taps sum in
// magnitude below 2^(C-1).
void wordTaps(FirImplementation& im) {
    const int coefBits = im.arithmetic.coefBits;
    const long double top = std::ldexp(1.0L, coefBits - 1);
    for (int shift = 0; shift <= coefBits - 2; ++shift) {
        const int fraction = coefBits - 1 - shift;
        std::vector<std::int64_t> c;
        long double sum = 0;
        for (double h : im.taps) {
            c.push_back(std::llround(std::ldexp(static_cast<long double>(h), fraction)));
            sum += std::fabs(static_cast<long double>(c.back()));
        }
        if (sum < top) {
            im.fixed = std::move(c);
            im.fraction = fraction;
            return;
        }
    }
    throw UserMessage("Отводы фильтра слишком велики для коэффициентов из " +
                      std::to_string(coefBits) + " бит: сумма их модулей требует сдвига больше " +
                      std::to_string(coefBits - 2));
}

std::int64_t floorShift(std::int64_t v, int bits) {
    return v >> bits; // arithmetic: towards minus infinity
}

std::int64_t low32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

} // namespace

void checkFirTarget(Target target) {
    switch (target) {
    case Target::Double:
    case Target::Float:
    case Target::Q15:
    case Target::Q31:
    case Target::Fixed:
    case Target::CmsisFirQ15:
    case Target::CmsisFirQ31:
    case Target::CmsisFirF32:
        return;
    default:
        break;
    }
    throw UserMessage("Арифметика " + targetName(target) +
                      " относится к каскаду секций файла параметров (.flt); для отводов файла "
                      ".fir допустимы double, float, q15, q31, fixed, cmsis-fir-q15, "
                      "cmsis-fir-q31, cmsis-fir-f32");
}

FirImplementation realiseFir(const FirFilter& filter, const Arithmetic& arithmetic) {
    checkFirTarget(arithmetic.target);
    checkArithmetic(arithmetic);
    FirImplementation im;
    im.arithmetic = namedArithmetic(arithmetic.target, arithmetic);
    im.taps = filter.taps;
    for (std::size_t k = 0; k < im.taps.size(); ++k)
        if (!std::isfinite(im.taps[k]))
            throw UserMessage("Отвод " + tapText(k, im.taps[k]) +
                              " не конечен: фильтр не реализовать");
    switch (im.arithmetic.target) {
    case Target::CmsisFirQ15:
        kernelTaps(im, 15, "arm_fir_q15");
        break;
    case Target::CmsisFirQ31:
        kernelTaps(im, 31, "arm_fir_q31");
        break;
    case Target::Q15:
    case Target::Q31:
    case Target::Fixed:
        wordTaps(im);
        break;
    case Target::Float:
    case Target::CmsisFirF32:
        for (std::size_t k = 0; k < im.taps.size(); ++k) {
            const float v = static_cast<float>(im.taps[k]);
            if (!std::isfinite(v))
                throw UserMessage("Отвод " + tapText(k, im.taps[k]) +
                                  " выходит за пределы чисел float");
            im.single.push_back(v);
        }
        break;
    default:
        break;
    }
    for (std::size_t k = 0; k < im.taps.size(); ++k)
        im.quantised.push_back(!im.fixed.empty()
                                   ? static_cast<double>(std::ldexp(
                                         static_cast<long double>(im.fixed[k]), -im.fraction))
                               : !im.single.empty() ? static_cast<double>(im.single[k])
                                                    : im.taps[k]);
    return im;
}

FirSimulator::FirSimulator(const FirImplementation& im) : im_(im), taps_(im.taps.size()) {
    if (fixedPointTarget(im.arithmetic.target)) {
        lastBit_ = std::ldexp(1.0, -(im.arithmetic.dataBits - 1));
        top_ = (std::int64_t{1} << (im.arithmetic.dataBits - 1)) - 1;
        bottom_ = -top_ - 1;
    }
    reset();
}

void FirSimulator::reset() {
    position_ = 0;
    counts_ = {};
    const Target t = im_.arithmetic.target;
    fixedLine_.assign(fixedPointTarget(t) ? 2 * taps_ : 0, 0);
    floatLine_.assign(im_.single.empty() ? 0 : 2 * taps_, 0.0f);
    doubleLine_.assign(t == Target::Double ? 2 * taps_ : 0, 0.0);
}

template <typename T> void FirSimulator::push(std::vector<T>& line, T x) {
    position_ = position_ == 0 ? taps_ - 1 : position_ - 1;
    line[position_] = x;
    line[position_ + taps_] = x;
}

std::int64_t FirSimulator::stepFixed(std::int64_t x) {
    push(fixedLine_, x);
    const std::int64_t* window = fixedLine_.data() + position_; // x[n], x[n-1], ...
    const std::int64_t* c = im_.fixed.data();
    const Arithmetic& a = im_.arithmetic;
    switch (a.target) {
    case Target::CmsisFirQ15: {
        std::int64_t acc = 0;
        for (std::size_t k = 0; k < taps_; ++k)
            acc += c[k] * window[k];
        std::int64_t y = low32(floorShift(acc, 15));
        if (y > top_ || y < bottom_) {
            y = y > top_ ? top_ : bottom_;
            ++counts_.overflows;
        }
        return y;
    }
    case Target::CmsisFirQ31: {
        std::uint64_t acc = 0; // wraps modulo 2^64, as the kernel's does
        Wide exact = 0;
        for (std::size_t k = 0; k < taps_; ++k) {
            const std::int64_t p = c[k] * window[k];
            acc += static_cast<std::uint64_t>(p);
            exact += p;
        }
        const std::int64_t y = low32(floorShift(static_cast<std::int64_t>(acc), 31));
        if (static_cast<Wide>(y) != (exact >> 31))
            ++counts_.overflows;
        return y;
    }
    default:
        break;
    }
    // The sum of |c| is below 2^(C-1) and |x| at most 2^(W-1): exact in 64 bits.
    std::int64_t acc = 0;
    for (std::size_t k = 0; k < taps_; ++k)
        acc += c[k] * window[k];
    const int f = im_.fraction;
    const std::int64_t rounded =
        f == 0 ? acc
               : (a.rounding == Rounding::Nearest ? (acc + (std::int64_t{1} << (f - 1))) >> f
                                                  : acc >> f);
    if (rounded >= bottom_ && rounded <= top_)
        return rounded;
    ++counts_.overflows;
    if (a.overflow == Overflow::Saturate)
        return rounded > top_ ? top_ : bottom_;
    const std::uint64_t mask = (std::uint64_t{1} << a.dataBits) - 1;
    std::uint64_t low = static_cast<std::uint64_t>(rounded) & mask;
    if (low > static_cast<std::uint64_t>(top_))
        low -= mask + 1; // two's complement of W bits, done in unsigned arithmetic
    return static_cast<std::int64_t>(low);
}

double FirSimulator::step(double x) {
    const Target t = im_.arithmetic.target;
    if (fixedPointTarget(t)) {
        const double scaled = std::floor(x / lastBit_ + 0.5);
        std::int64_t v;
        if (!(scaled <= static_cast<double>(top_))) {
            v = top_;
            ++counts_.inputClipped;
        } else if (!(scaled >= static_cast<double>(bottom_))) {
            v = bottom_;
            ++counts_.inputClipped;
        } else {
            v = static_cast<std::int64_t>(scaled);
        }
        return static_cast<double>(stepFixed(v)) * lastBit_;
    }
    if (!im_.single.empty()) {
        push(floatLine_, static_cast<float>(x));
        const float* window = floatLine_.data() + position_;
        float acc = 0.0f;
        for (std::size_t k = taps_; k-- > 0;) {
            const float p = window[k] * im_.single[k];
            acc = acc + p;
        }
        return acc;
    }
    push(doubleLine_, x);
    const double* window = doubleLine_.data() + position_;
    double acc = 0.0;
    for (std::size_t k = taps_; k-- > 0;) {
        const double p = window[k] * im_.taps[k];
        acc = acc + p;
    }
    return acc;
}

std::vector<double> simulateFir(const FirImplementation& im, const std::vector<double>& input,
                                SimulationCounts* counts) {
    FirSimulator sim(im);
    std::vector<double> out;
    out.reserve(input.size());
    for (double x : input)
        out.push_back(sim.step(x));
    if (counts)
        *counts = sim.counts();
    return out;
}

std::vector<long double> exactFirOutput(const std::vector<double>& taps,
                                        const std::vector<double>& x) {
    std::vector<long double> y(x.size(), 0);
    for (std::size_t n = 0; n < x.size(); ++n) {
        long double acc = 0;
        for (std::size_t k = 0; k < taps.size() && k <= n; ++k)
            acc += static_cast<long double>(taps[k]) * x[n - k];
        y[n] = acc;
    }
    return y;
}

} // namespace zorkan
