#include "purpose/analogtransform.h"

#include "cascade/roots.h"
#include "common/displaynumbers.h"
#include "common/errors.h"

#include <Eigen/Core>
#include <Eigen/Eigenvalues>
#include <unsupported/Eigen/MatrixFunctions>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace zorkan {

namespace {

using creal = std::complex<long double>;

// The coefficients from the first that is not zero.
std::vector<double> withoutLeadingZeros(const std::vector<double>& c) {
    auto first = std::find_if(c.begin(), c.end(), [](double v) { return v != 0; });
    return {first, c.end()};
}

template <class Real> std::vector<creal> rootsOf(const std::vector<Real>& c) {
    std::vector<creal> roots;
    if (c.size() > 1)
        for (const PolynomialRoot& r :
             rootsWithMultiplicity(c.data(), static_cast<int>(c.size()) - 1))
            roots.push_back(r.z);
    return roots;
}

creal valueAt(const std::vector<double>& c, creal s) {
    creal v = 0;
    for (double x : c)
        v = v * s + static_cast<long double>(x);
    return v;
}

std::string rootText(creal s) {
    std::string text = formatGeneral(static_cast<double>(s.real()), '.');
    if (s.imag() != 0)
        text += (s.imag() < 0 ? " - j" : " + j") +
                formatGeneral(static_cast<double>(std::abs(s.imag())), '.');
    return text;
}

struct DigitalRoots {
    std::vector<creal> zeros, poles;
    int delays = 0;
    long double gain = 1;
};

// Each analog factor (s - r) becomes ((K - r) - (K + r) z^-1) / (1 + z^-1).
DigitalRoots bilinear(const std::vector<creal>& zeros, const std::vector<creal>& poles,
                      long double gain, long double k) {
    DigitalRoots d;
    creal g = gain;
    for (const creal& r : zeros) {
        if (k - r == creal(0)) {
            ++d.delays;
            g *= -(k + r);
        } else {
            d.zeros.push_back((k + r) / (k - r));
            g *= k - r;
        }
    }
    for (const creal& r : poles) {
        if (k - r == creal(0))
            throw UserMessage("Полюс H(s) s = " + rootText(r) +
                              " переходит при билинейном преобразовании в бесконечность");
        d.poles.push_back((k + r) / (k - r));
        g /= k - r;
    }
    for (std::size_t i = zeros.size(); i < poles.size(); ++i)
        d.zeros.emplace_back(-1, 0);
    d.gain = g.real();
    return d;
}

// Exact conjugates stay exact conjugates through exp.
creal expOf(const creal& s, long double t) {
    return std::exp(s * t);
}

DigitalRoots matched(const std::vector<creal>& zeros, const std::vector<creal>& poles,
                     long double gain, double fd) {
    DigitalRoots d;
    const long double t = 1.0L / fd;
    for (const creal& r : zeros)
        d.zeros.push_back(expOf(r, t));
    for (const creal& r : poles)
        d.poles.push_back(expOf(r, t));
    for (std::size_t i = zeros.size(); i < poles.size(); ++i)
        d.zeros.emplace_back(-1, 0);
    const bool atZero =
        std::none_of(zeros.begin(), zeros.end(), [](creal r) { return r == creal(0); }) &&
        std::none_of(poles.begin(), poles.end(), [](creal r) { return r == creal(0); });
    const creal s = atZero ? creal(0) : creal(0, std::numbers::pi_v<long double> * fd / 2);
    const creal z = atZero ? creal(1) : creal(0, 1);
    creal analog = gain, digital = 1;
    for (const creal& r : zeros)
        analog *= s - r;
    for (const creal& r : poles)
        analog /= s - r;
    for (const creal& q : d.zeros)
        digital *= 1.0L - q / z;
    for (const creal& q : d.poles)
        digital /= 1.0L - q / z;
    d.gain = atZero ? (analog / digital).real()
                    : std::abs(analog) / std::abs(digital) * (gain < 0 ? -1 : 1);
    return d;
}

// Impulse invariance's conditions on H(s): strictly proper, simple poles.
void checkImpulseInvariance(const std::vector<double>& num, const std::vector<double>& den,
                            const std::vector<creal>& poles) {
    if (num.size() >= den.size())
        throw UserMessage("Для инвариантности импульсной характеристики степень числителя "
                          "H(s) должна быть меньше степени знаменателя");
    for (std::size_t i = 0; i < poles.size(); ++i)
        for (std::size_t j = i + 1; j < poles.size(); ++j)
            if (poles[i] == poles[j])
                throw UserMessage("Инвариантность импульсной характеристики рассчитывается "
                                  "только для простых полюсов H(s); кратный полюс s = " +
                                  rootText(poles[i]));
}

// h[0] = T h(0+) exactly: b0 / a0 / FD for a numerator one degree lower than the
// denominator, else 0.
long double firstSample(const std::vector<double>& num, const std::vector<double>& den,
                        long double t) {
    return num.size() + 1 == den.size() ? t * num[0] / den[0] : 0;
}

// The numerator c0 + c1 w + ... of H(z) = c(w) / prod (1 - q_j w), w = z^-1, as the sum of
// the partial fractions T r_i / (1 - q_i w) with the residues r_i = N(p_i) / D'(p_i). Exact
// where the poles lie well apart; where they crowd, residues far larger than the
// coefficients cancel down to them.
DigitalRoots partialFractions(const std::vector<double>& num, const std::vector<double>& den,
                              const std::vector<creal>& poles, const std::vector<creal>& q,
                              long double t) {
    const std::size_t n = den.size() - 1;
    // D'(s) coefficients.
    std::vector<double> derivative;
    for (std::size_t i = 0; i < n; ++i)
        derivative.push_back(den[i] * static_cast<double>(n - i));
    std::vector<creal> c(n, creal(0));
    for (std::size_t i = 0; i < n; ++i) {
        const creal residue = valueAt(num, poles[i]) / valueAt(derivative, poles[i]);
        std::vector<creal> term{residue * t};
        for (std::size_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            term.push_back(0);
            for (std::size_t k = term.size() - 1; k > 0; --k)
                term[k] -= q[j] * term[k - 1];
        }
        for (std::size_t k = 0; k < n; ++k)
            c[k] += term[k];
    }
    std::vector<double> coefficients;
    for (const creal& v : c)
        coefficients.push_back(static_cast<double>(v.real()));
    coefficients[0] = static_cast<double>(firstSample(num, den, t));
    DigitalRoots d;
    d.poles = q;
    while (d.delays < static_cast<int>(n) && coefficients[static_cast<std::size_t>(d.delays)] == 0)
        ++d.delays;
    const std::vector<double> rest(coefficients.begin() + d.delays, coefficients.end());
    if (rest.empty())
        throw UserMessage("Импульсная характеристика H(s) равна нулю");
    d.gain = rest.front();
    d.zeros = rootsOf(rest);
    return d;
}

using Matrix = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
using Vector = Eigen::Matrix<long double, Eigen::Dynamic, 1>;

// Balancing stops once a sweep shrinks no row and column pair below this share of its
// norm.
constexpr long double balancingGain = 0.95L;

// Diagonal similarity D^-1 m D by powers of two (so exactly) that brings each row and
// column to the same size: m's norm and with it the rounding of its exponential shrink.
// `in` becomes D^-1 in and `out` out D, so that out m^k in keeps its value.
void balance(Matrix& m, Vector& in, Vector& out) {
    const Eigen::Index n = m.rows();
    for (bool changed = true; changed;) {
        changed = false;
        for (Eigen::Index i = 0; i < n; ++i) {
            long double column = 0, row = 0;
            for (Eigen::Index j = 0; j < n; ++j)
                if (j != i) {
                    column += std::abs(m(j, i));
                    row += std::abs(m(i, j));
                }
            if (column == 0 || row == 0)
                continue;
            const long double sum = column + row;
            int e = 0;
            while (column < row / 2) {
                column *= 2;
                row /= 2;
                ++e;
            }
            while (column >= row * 2) {
                column /= 2;
                row *= 2;
                --e;
            }
            if (column + row >= balancingGain * sum)
                continue;
            changed = true;
            m.row(i) *= std::ldexp(1.0L, -e);
            m.col(i) *= std::ldexp(1.0L, e);
            in(i) = std::ldexp(in(i), -e);
            out(i) = std::ldexp(out(i), e);
        }
    }
}

// The sampled analog filter as a discrete state-space system: h[k] = out step^k in for
// k >= 1, step = exp(A T).
struct SampledSystem {
    Matrix step;
    Vector in, out;
};

// From the companion form of H(w0 x), w0 the power of two nearest the poles' geometric
// mean, so that the coefficients of D(w0 x) / (a0 w0^n) are of moderate size however
// widely those of D(s) spread; balanced; h(t) = w0 c exp(w0 A t) b, the exponential of
// w0 A T by scaling and squaring in extended precision.
SampledSystem sampledSystem(const std::vector<double>& num, const std::vector<double>& den,
                            const std::vector<creal>& poles, long double t) {
    const std::size_t n = den.size() - 1;
    long double logSum = 0;
    int nonzero = 0;
    for (const creal& p : poles)
        if (p != creal(0)) {
            logSum += std::log2(std::abs(p));
            ++nonzero;
        }
    const int e = nonzero == 0 ? 0 : static_cast<int>(std::lround(logSum / nonzero));
    const auto size = static_cast<Eigen::Index>(n);
    Matrix a = Matrix::Zero(size, size);
    for (Eigen::Index i = 0; i + 1 < size; ++i)
        a(i, i + 1) = 1;
    // The last row: -a_i / (a0 w0^i) in the column of x^(n - i).
    for (std::size_t i = 1; i <= n; ++i)
        a(size - 1, static_cast<Eigen::Index>(n - i)) =
            -std::ldexp(static_cast<long double>(den[i]) / den[0], -e * static_cast<int>(i));
    SampledSystem system;
    system.in = Vector::Zero(size);
    system.in(size - 1) = 1;
    // The coefficient of x^j: b_(m - j) w0^(j - n) / a0.
    system.out = Vector::Zero(size);
    const std::size_t m = num.size() - 1;
    for (std::size_t j = 0; j <= m; ++j)
        system.out(static_cast<Eigen::Index>(j)) =
            std::ldexp(static_cast<long double>(num[m - j]) / den[0],
                       e * (static_cast<int>(j) - static_cast<int>(n)));
    balance(a, system.in, system.out);
    system.step = (a * std::ldexp(t, e)).exp();
    system.out *= std::ldexp(t, e);
    return system;
}

// The samples drawn for the check of the sections: until the slowest mode has fallen
// (or, unstable, grown) by this factor, within these bounds.
constexpr long double checkedDecay = 1e-8L;
constexpr int leastCheckedSamples = 64;
constexpr int mostCheckedSamples = 4096;

int checkedSampleCount(const std::vector<creal>& q) {
    long double radius = 0;
    for (const creal& v : q)
        radius = std::max(radius, std::abs(v));
    const int least = std::max(leastCheckedSamples, 4 * static_cast<int>(q.size()));
    const long double lnRadius = std::abs(std::log(radius));
    if (!(lnRadius > 0))
        return mostCheckedSamples;
    const long double count = std::ceil(-std::log(checkedDecay) / lnRadius);
    return static_cast<int>(std::clamp<long double>(count, least, mostCheckedSamples));
}

// The zeros of out (zI - step)^-1 in, which are those of H(z) = sum h[k] z^-k but z = 0:
// the finite eigenvalues of the pencil ([step in; out 0], [I 0; 0 0]), the `count` of
// least modulus. Found from the matrices, not from the coefficients of a polynomial,
// whose last digit moves a cluster of zeros near z = 1 far.
std::vector<creal> systemZeros(const SampledSystem& system, std::size_t count) {
    const Eigen::Index n = system.step.rows();
    Matrix pencil(n + 1, n + 1), identity = Matrix::Zero(n + 1, n + 1);
    pencil.topLeftCorner(n, n) = system.step;
    // Scaling the last row and column moves no eigenvalue.
    pencil.topRightCorner(n, 1) = system.in / system.in.cwiseAbs().maxCoeff();
    pencil.bottomLeftCorner(1, n) = system.out.transpose() / system.out.cwiseAbs().maxCoeff();
    pencil(n, n) = 0;
    identity.topLeftCorner(n, n).setIdentity();
    const Eigen::GeneralizedEigenSolver<Matrix> solver(pencil, identity, false);
    std::vector<creal> values;
    for (Eigen::Index i = 0; i <= n; ++i) {
        const long double beta = solver.betas()(i);
        values.push_back(beta == 0 ? creal(std::numeric_limits<long double>::infinity())
                                   : creal(solver.alphas()(i)) / beta);
    }
    std::sort(values.begin(), values.end(),
              [](const creal& x, const creal& y) { return std::abs(x) < std::abs(y); });
    values.resize(std::min(count, values.size()));
    for (creal& v : values)
        if (v.imag() == 0)
            v = creal(v.real(), 0);
    return values;
}

// The numerator from the samples instead: c(w) = h(w) prod (1 - q_j w) up to w^(n-1), in
// extended precision; its zeros `fromPencil` from the sampled system, else from these
// coefficients.
DigitalRoots fromSamples(const std::vector<long double>& samples, const std::vector<creal>& q,
                         const SampledSystem& system, bool fromPencil) {
    const std::size_t n = q.size();
    std::vector<creal> denominator{1};
    for (const creal& v : q) {
        denominator.push_back(0);
        for (std::size_t k = denominator.size() - 1; k > 0; --k)
            denominator[k] -= v * denominator[k - 1];
    }
    std::vector<long double> coefficients(n);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t i = 0; i <= k; ++i)
            coefficients[k] += denominator[i].real() * samples[k - i];
    DigitalRoots d;
    d.poles = q;
    while (d.delays < static_cast<int>(n) && coefficients[static_cast<std::size_t>(d.delays)] == 0)
        ++d.delays;
    if (d.delays == static_cast<int>(n))
        throw UserMessage("Импульсная характеристика H(s) равна нулю");
    const std::vector<long double> rest(coefficients.begin() + d.delays, coefficients.end());
    d.gain = rest.front();
    d.zeros = fromPencil ? systemZeros(system, rest.size() - 1) : rootsOf(rest);
    return d;
}

// The sections' impulse response in extended precision.
std::vector<long double> sectionResponse(const DesignedSections& filter, std::size_t count) {
    std::vector<long double> x(count, 0);
    x[0] = 1;
    for (const FilterSection& s : filter.sections) {
        std::vector<long double> y(count, 0);
        for (std::size_t k = 0; k < count; ++k) {
            long double v = 0;
            for (std::size_t i = 0; i < 5 && i <= k; ++i)
                v += s.a[i] * x[k - i] - (i > 0 ? s.b[i] * y[k - i] : 0);
            y[k] = v / s.b[0];
        }
        x = std::move(y);
    }
    return x;
}

// The largest difference of the sections' impulse response from the samples, as a share
// of the largest sample (up to the first that is not finite).
long double impulseDifference(const DesignedSections& filter,
                              const std::vector<long double>& samples) {
    const std::vector<long double> y = sectionResponse(filter, samples.size());
    long double largest = 0, difference = 0;
    for (std::size_t k = 0; k < samples.size() && std::isfinite(samples[k]); ++k) {
        largest = std::max(largest, std::abs(samples[k]));
        difference = std::max(difference, std::abs(y[k] - samples[k]));
    }
    return difference / largest;
}

DesignedSections sectionsOf(const DigitalRoots& d, unsigned order) {
    std::vector<SecondOrderSection> sections =
        sectionsFromRoots(d.zeros, d.delays, d.poles, d.gain);
    if (sections.empty()) {
        sections.emplace_back();
        sections.front().num[0] = static_cast<double>(d.gain);
    }
    return fromSecondOrder(sections, order);
}

// The largest difference of the sections' impulse response from the analog samples
// allowed, as a share of the largest sample.
constexpr long double impulseTolerance = 1e-9L;

// A numerator from the samples replaces the partial fractions only where its sections
// come closer to the samples by this factor: differences at the level of the sections'
// rounding are no reason to change them.
constexpr long double clearlyCloser = 2;

// The partial fractions' numerator, or one from the samples (zeros from its coefficients
// or from the sampled system) whose sections' impulse response comes clearly closer to
// the analog samples; refused where even the closest misses them by more than the
// tolerance.
DesignedSections impulse(const std::vector<double>& num, const std::vector<double>& den,
                         const std::vector<creal>& poles, double fd, unsigned order) {
    checkImpulseInvariance(num, den, poles);
    const long double t = 1.0L / fd;
    std::vector<creal> q;
    for (const creal& p : poles)
        q.push_back(expOf(p, t));
    const SampledSystem system = sampledSystem(num, den, poles, t);
    std::vector<long double> samples(static_cast<std::size_t>(checkedSampleCount(q)));
    samples[0] = firstSample(num, den, t);
    Vector x = system.in;
    for (std::size_t k = 1; k < samples.size(); ++k) {
        x = system.step * x;
        samples[k] = system.out.dot(x);
    }
    const DesignedSections candidates[] = {
        sectionsOf(partialFractions(num, den, poles, q, t), order),
        sectionsOf(fromSamples(samples, q, system, false), order),
        sectionsOf(fromSamples(samples, q, system, true), order),
    };
    std::size_t best = 0;
    long double difference = impulseDifference(candidates[0], samples);
    long double bound = std::isnan(difference) ? std::numeric_limits<long double>::infinity()
                                               : difference / clearlyCloser;
    for (std::size_t i = 1; i < std::size(candidates); ++i) {
        const long double d = impulseDifference(candidates[i], samples);
        if (d < bound) {
            difference = bound = d;
            best = i;
        }
    }
    if (!(difference <= impulseTolerance))
        throw UserMessage(
            "Импульсная характеристика рассчитанного фильтра отличается от отсчетов h(k/FD)/FD "
            "на " +
            formatGeneral(static_cast<double>(difference), '.', 3) +
            " от наибольшего из них (допускается " +
            formatGeneral(static_cast<double>(impulseTolerance), '.', 3) +
            "): полюсы H(s) слишком близки друг к другу для его коэффициентов, и точности "
            "вычислений не хватает");
    return candidates[best];
}

} // namespace

DesignedSections designFromAnalog(const AnalogRequest& request) {
    checkSampling(request.fd);
    const std::vector<double> num = withoutLeadingZeros(request.numerator);
    const std::vector<double> den = withoutLeadingZeros(request.denominator);
    for (double v : request.numerator)
        if (!std::isfinite(v))
            throw UserMessage("Коэффициенты числителя H(s) должны быть конечными числами");
    for (double v : request.denominator)
        if (!std::isfinite(v))
            throw UserMessage("Коэффициенты знаменателя H(s) должны быть конечными числами");
    if (den.empty())
        throw UserMessage("Знаменатель H(s) равен нулю");
    if (num.empty())
        throw UserMessage("Числитель H(s) равен нулю");
    if (num.size() > den.size())
        throw UserMessage("Степень знаменателя H(s) (" + std::to_string(den.size() - 1) +
                          ") меньше степени числителя (" + std::to_string(num.size() - 1) +
                          "): такой фильтр нельзя реализовать");
    if (den.size() - 1 > 2 * 32)
        throw UserMessage("Степень знаменателя H(s) не может быть больше 64");
    const std::vector<creal> zeros = rootsOf(num);
    const std::vector<creal> poles = rootsOf(den);
    if (!request.allowUnstable)
        for (const creal& p : poles)
            if (p.real() >= 0)
                throw UserMessage("Полюс H(s) s = " + rootText(p) +
                                  " лежит в правой полуплоскости или на мнимой оси: цифровой "
                                  "фильтр будет неустойчив (рассчитать его можно с "
                                  "--allow-unstable)");
    const long double gain = static_cast<long double>(num.front()) / den.front();
    const unsigned order = static_cast<unsigned>(std::max<std::size_t>(den.size() - 1, 1));
    DigitalRoots d;
    switch (request.method) {
    case AnalogMethod::Bilinear:
    case AnalogMethod::Prewarp: {
        long double k = 2.0L * request.fd;
        if (request.method == AnalogMethod::Prewarp || request.prewarp != 0) {
            checkFrequency(request.prewarp, request.fd, "Частота предыскажения F");
            k = 2 * std::numbers::pi_v<long double> * request.prewarp /
                std::tan(std::numbers::pi_v<long double> * request.prewarp / request.fd);
        }
        d = bilinear(zeros, poles, gain, k);
        break;
    }
    case AnalogMethod::Matched:
        d = matched(zeros, poles, gain, request.fd);
        break;
    case AnalogMethod::Impulse:
        return impulse(num, den, poles, request.fd, order);
    }
    return sectionsOf(d, order);
}

} // namespace zorkan
